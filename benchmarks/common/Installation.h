#pragma once
// A program folder and a data-source file of a benchmark's own, with the
// system database opened in a program's data context; removed at the end.
#include <memory>
#include <string>

#include "COSystemSetup.h"
#include "DataContext.h"

namespace kovo::bench {

class Installation {
 public:
  explicit Installation(ProgramProfile program);
  ~Installation();
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  DataContext& Context() { return *m_context; }
  COSystemSetup& Setup() { return *m_setup; }
  const std::string& Folder() const { return m_folder; }

  // A new, empty task; returns its file.
  std::string NewTask(const std::string& description);

 private:
  std::string m_folder;
  std::unique_ptr<DataContext> m_context;
  COSystemSetup* m_setup = nullptr;
};

}  // namespace kovo::bench
