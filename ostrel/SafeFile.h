#pragma once
// A text file of lines that spreads over several volumes (disks). A line never
// straddles two volumes: when it does not fit into what is left of the current
// one, the next volume is opened on the next disk. Volume 1 carries the file's
// own name, volume n the name with its last four characters made ".%03d".
// Every line ends with CR LF. File errors are shown to the user and fail the
// operation.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "SpaceControl.h"

class SafeFile {
 public:
  explicit SafeFile(SpaceControl& space = SpaceControl::Global());
  virtual ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  // name has no directory: the directory comes from the disk prompts.
  bool OpenWrite(const std::string& name);
  // path is the first volume; later volumes are looked for where the user says.
  bool OpenRead(const std::string& path);
  // Writes text and the line end, moving to the next volume first when the
  // line does not fit.
  bool WriteLine(std::string_view text);
  // The next line without its line feed; asks for the next volume when the
  // current one is used up. False on a file error, a cancelled prompt or at the
  // end of the last volume.
  bool ReadLine(std::string* line);
  // Flushes and closes; false (after telling the user) when data was lost.
  bool Close();

  bool IsOpen() const { return m_open; }
  // The name of the current volume, without directory.
  const std::string& GetFileName() const { return m_name; }
  // The name of the first volume, without directory.
  const std::string& GetBaseName() const { return m_baseName; }
  const std::string& GetDirectory() const { return m_directory; }
  int GetVolume() const { return m_volume; }
  int64_t GetRemaining() const { return m_remaining; }
  long GetLinesMoved() const { return m_lines; }
  // The message of the last file error, as the user was shown it.
  const std::string& GetLastError() const { return m_lastError; }

  // The name of volume n of a file.
  static std::string VolumeName(const std::string& name, int volume);

 private:
  bool OpenWriteVolume();
  bool NextWriteVolume();
  bool OpenReadVolume(const std::string& dir);
  bool NextReadVolume();
  bool CloseVolume();
  bool FillBuffer();
  void ReportError(unsigned id, const std::string& path, int error);

  SpaceControl& m_space;
  std::string m_baseName;
  std::string m_name;
  std::string m_directory;
  int m_volume = 1;
  int64_t m_remaining = 0;
  bool m_open = false;
  bool m_writing = false;
  long m_lines = 0;
  std::string m_lastError;

  std::FILE* m_out = nullptr;
  std::vector<char> m_outBuffer;
  int m_in = -1;
  std::vector<char> m_inBuffer;
  size_t m_inPos = 0;
  size_t m_inEnd = 0;
  bool m_inEof = false;
};
