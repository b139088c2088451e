#pragma once
// Commands: an object, one of its member operations and its arguments, bound
// when a service builds its list and run later on the worker thread. An
// argument the member takes by value or by constant reference is copied into
// the command; one it takes by (non-constant) reference is kept as a
// reference, so the command writes the monitor's reply straight into it.
#include <cstddef>
#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

class Command {
 public:
  virtual void Execute() = 0;
  virtual ~Command() = default;
};

// How a command keeps an argument of parameter type P.
template <class P>
using BoundArg = std::conditional_t<std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>,
                                    P, std::decay_t<P>>;

template <class T, class R, class... P>
class SimpleCommand : public Command {
 public:
  using Member = R (T::*)(P...);
  SimpleCommand(Member member, T* object, BoundArg<P>... args)
      : m_member(member), m_object(object), m_args(std::forward<BoundArg<P>>(args)...) {}
  void Execute() override {
    std::apply([this](auto&... args) { (m_object->*m_member)(args...); }, m_args);
  }

 private:
  Member m_member;
  T* m_object;
  std::tuple<BoundArg<P>...> m_args;
};

// The names the command family goes by, for members returning nothing.
template <class T>
using SimpleCommand0Arg = SimpleCommand<T, void>;
template <class T, class A1>
using SimpleCommand1Arg = SimpleCommand<T, void, A1>;
template <class T, class A1, class A2>
using SimpleCommand2Arg = SimpleCommand<T, void, A1, A2>;
template <class T, class A1, class A2, class A3>
using SimpleCommand3Arg = SimpleCommand<T, void, A1, A2, A3>;
template <class T, class A1, class A2, class A3, class A4>
using SimpleCommand4Arg = SimpleCommand<T, void, A1, A2, A3, A4>;

// A failed allocation throws, so a queue never holds a null command.
template <class T, class R, class... P>
Command* MakeCommand(T* object, R (T::*member)(P...), BoundArg<P>... args) {
  static_assert(sizeof...(P) <= 4, "a command binds at most four arguments");
  return new SimpleCommand<T, R, P...>(member, object, std::forward<BoundArg<P>>(args)...);
}

// A step that is not one member call: a callable bound at build time.
class CallCommand : public Command {
 public:
  explicit CallCommand(std::function<void()> call) : m_call(std::move(call)) {}
  void Execute() override { m_call(); }

 private:
  std::function<void()> m_call;
};

// An ordered list of commands with a cursor on the next one to run. The queue
// owns its commands.
class CommandQueue {
 public:
  CommandQueue() = default;
  virtual ~CommandQueue() { DeleteAll(); }
  CommandQueue(const CommandQueue&) = delete;
  CommandQueue& operator=(const CommandQueue&) = delete;

  CommandQueue& Add(Command* command) {
    m_commands.push_back(command);
    return *this;
  }
  void Rewind() { m_cursor = 0; }
  // The command at the cursor, which moves on; null at the end.
  Command* Next() { return m_cursor < m_commands.size() ? m_commands[m_cursor++] : nullptr; }
  // Deletes every command; the cursor stays where it was, so callers rewind.
  void DeleteAll() {
    std::vector<Command*> doomed;
    doomed.swap(m_commands);
    for (Command* c : doomed) delete c;
  }
  // Forgets every command without deleting it.
  void RemoveAll() { m_commands.clear(); }

  size_t GetCount() const { return m_commands.size(); }
  bool IsEmpty() const { return m_commands.empty(); }
  Command* At(size_t i) const { return i < m_commands.size() ? m_commands[i] : nullptr; }
  bool Contains(const Command* command) const;

 protected:
  std::vector<Command*> m_commands;
  size_t m_cursor = 0;
};

// A queue that lists commands other queues own.
class LogQueue : public CommandQueue {
 public:
  ~LogQueue() override { RemoveAll(); }
  // Forgets the commands that the queue lists (before it deletes them).
  void Forget(const CommandQueue& owner);
};
