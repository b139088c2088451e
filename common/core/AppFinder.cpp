#include "AppFinder.h"

namespace {
AppFinder::Registration* g_running = nullptr;
}  // namespace

AppFinder::Registration::Registration(const ProgramIdentity& identity)
    : m_identity(&identity), m_previous(g_running) {
  g_running = this;
}

AppFinder::Registration::~Registration() {
  // Registrations end in the reverse order of their start.
  if (g_running == this) g_running = m_previous;
}

const ProgramIdentity& AppFinder::Running() {
  static const ProgramIdentity kNone;
  return g_running ? *g_running->m_identity : kNone;
}
