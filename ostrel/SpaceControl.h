#pragma once
// Where the volumes of a backup go: the directory of the current disk, the disk
// number and whether the user must be asked for the next disk. The disk prompt
// and the free-space query sit behind small interfaces so that the dialogs of
// the program and the tests can stand behind them.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Asks the user for a directory (the drive/path dialog in the program).
class IDirChooser {
 public:
  virtual ~IDirChooser() = default;
  // Shows the prompt with the preset directory (may be empty) and returns true
  // with the chosen directory, or false when the user cancelled.
  virtual bool Choose(const std::string& prompt, const std::string& preset, std::string* dir) = 0;
};

// Installs the chooser the disk prompts use (null: every prompt is cancelled,
// so nothing waits on a dialog that nobody can answer). Returns the previous one.
IDirChooser* SetDirChooser(IDirChooser* chooser);
IDirChooser* GetDirChooser();

// For tests: answers the prompts from a script, then cancels; records what was
// asked. Installs itself and restores the previous chooser when it goes.
class ScriptedDirChooser : public IDirChooser {
 public:
  struct Asked {
    std::string prompt;
    std::string preset;
  };
  ScriptedDirChooser();
  ~ScriptedDirChooser() override;
  ScriptedDirChooser(const ScriptedDirChooser&) = delete;
  ScriptedDirChooser& operator=(const ScriptedDirChooser&) = delete;

  void Answer(const std::string& dir);
  void AnswerCancel();
  // Answers every prompt without a scripted answer with dir.
  void AnswerAlways(const std::string& dir);
  bool Choose(const std::string& prompt, const std::string& preset, std::string* dir) override;
  std::vector<Asked> Prompts() const;

 private:
  mutable std::mutex m_mutex;
  std::deque<std::pair<bool, std::string>> m_answers;
  bool m_always = false;
  std::string m_alwaysDir;
  std::vector<Asked> m_asked;
  IDirChooser* m_previous;
};

// The free bytes of the file system that holds a directory.
class IFreeSpace {
 public:
  virtual ~IFreeSpace() = default;
  // False when the directory cannot be queried.
  virtual bool FreeBytes(const std::string& dir, uint64_t* bytes) = 0;
};

// statvfs: the blocks an unprivileged writer may still use.
class DiskFreeSpace : public IFreeSpace {
 public:
  bool FreeBytes(const std::string& dir, uint64_t* bytes) override;
};

// For tests: every directory has the same free space.
class FixedFreeSpace : public IFreeSpace {
 public:
  explicit FixedFreeSpace(uint64_t bytes) : m_bytes(bytes) {}
  void Set(uint64_t bytes) { m_bytes = bytes; }
  bool FreeBytes(const std::string&, uint64_t* bytes) override {
    *bytes = m_bytes;
    return true;
  }

 private:
  uint64_t m_bytes;
};

class SpaceControl {
 public:
  SpaceControl();

  // The one instance of the program; tests may use their own.
  static SpaceControl& Global();

  // Disk 1, no directory, and the user is asked before the first volume.
  void Reset();
  // The directory of the current disk; asks for it first when the ask flag is
  // set (cancel keeps the directory as it was). May be empty.
  std::string GetDirectory();
  void SetDirectory(const std::string& dir) { m_directory = dir; }
  // The next volume goes on the next disk: the user is asked again.
  void NextDisk();
  int GetDiskNumber() const { return m_disk; }
  // Whether the last GetDirectory asked and the user cancelled.
  bool LastPromptCancelled() const { return m_cancelled; }

  // The prompt for a disk: "a disk" for the first, the number for the others.
  static std::string DiskPrompt(int disk);
  // Asks for a directory through the installed chooser.
  static bool AskDirectory(const std::string& prompt, const std::string& preset, std::string* dir);

  // Null restores the statvfs query.
  void SetFreeSpace(IFreeSpace* freeSpace) { m_freeSpace = freeSpace; }
  bool FreeBytes(const std::string& dir, uint64_t* bytes);

 private:
  std::string m_directory;
  int m_disk = 1;
  bool m_ask = true;
  bool m_cancelled = false;
  IFreeSpace* m_freeSpace = nullptr;
};

// dir + "/" + name, without doubling a separator that dir already ends with.
std::string JoinPath(const std::string& dir, const std::string& name);
