#pragma once
// Binds a page's control to a field of the object the page edits (a
// sequence, an alarm, the system set-up, an interval) through the object's
// getter and setter, so that a confirmed page writes the value back.
#include <functional>
#include <utility>

namespace platform {
class CDataExchange;
}  // namespace platform

template <class T>
class Assign {
 public:
  virtual ~Assign() = default;
  virtual T Get() const = 0;
  virtual void Set(T value) = 0;

  // The exchange of one bound field: the value from the getter, exchanged
  // with the control, then handed to the setter. On loading the setter gets
  // back the value just read; on saving, the control's value. A failed
  // exchange ends before the setter.
  void Exchange(platform::CDataExchange* dx, int id, void (*ddx)(platform::CDataExchange*, int, T&)) {
    T value = Get();
    ddx(dx, id, value);
    Set(std::move(value));
  }
};

// A getter and a setter of an object of class C, seen as a value of type T.
// They may use a type of their own (a byte, a bool) that converts to and from
// T.
template <class T, class C>
class ObjAssign : public Assign<T> {
 public:
  template <class Getter, class Setter>
  ObjAssign(C* object, Getter getter, Setter setter)
      : m_get([object, getter] { return static_cast<T>((object->*getter)()); }),
        m_set([object, setter](T value) { (object->*setter)(std::move(value)); }) {}

  T Get() const override { return m_get(); }
  void Set(T value) override { m_set(std::move(value)); }

 private:
  std::function<T()> m_get;
  std::function<void(T)> m_set;
};
