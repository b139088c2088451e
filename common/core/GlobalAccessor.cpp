#include "GlobalAccessor.h"

AppRegister* AppRegister::instance = nullptr;

AppRegister::AppRegister() { instance = this; }

AppRegister::~AppRegister() {
  if (instance == this) instance = nullptr;
}

bool AppRegister::Register(IGlobalAccessor* accessor) {
  if (m_accessor) return false;
  m_accessor = accessor;
  return true;
}

IGlobalAccessor* AppRegister::GetAccessor() { return instance ? instance->m_accessor : nullptr; }

IGlobalAccessor* AppRegister::Release() {
  IGlobalAccessor* a = m_accessor;
  m_accessor = nullptr;
  return a;
}
