#include "Installation.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kovo::bench {

Installation::Installation(ProgramProfile program) {
  char tmpl[] = "/tmp/kovo-bench-XXXXXX";
  m_folder = mkdtemp(tmpl);
  setenv("ODBCINI", (m_folder + "/odbc.ini").c_str(), 1);
  setenv("KOVO_PROGRAM_FOLDER", m_folder.c_str(), 1);
  m_context = std::make_unique<DataContext>(std::move(program));
  m_setup = &m_context->Setup();
  if (!m_setup->OpenSystemDatabase()) std::fprintf(stderr, "the system database did not open\n");
}

Installation::~Installation() {
  m_context.reset();
  std::error_code ec;
  std::filesystem::remove_all(m_folder, ec);
}

std::string Installation::NewTask(const std::string& description) {
  m_setup->CreateMeasDatabase(description);
  return m_setup->DataFile(m_setup->GetDatabaseName());
}

}  // namespace kovo::bench
