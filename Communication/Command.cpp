#include "Command.h"

#include <algorithm>
#include <unordered_set>

bool CommandQueue::Contains(const Command* command) const {
  return std::find(m_commands.begin(), m_commands.end(), command) != m_commands.end();
}

void LogQueue::Forget(const CommandQueue& owner) {
  if (owner.IsEmpty() || IsEmpty()) return;
  std::unordered_set<const Command*> gone;
  for (size_t i = 0; i < owner.GetCount(); ++i) gone.insert(owner.At(i));
  m_commands.erase(std::remove_if(m_commands.begin(), m_commands.end(), [&](Command* c) { return gone.count(c) != 0; }),
                   m_commands.end());
  if (m_cursor > m_commands.size()) m_cursor = m_commands.size();
}
