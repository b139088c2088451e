#pragma once
// How shared code reaches the running program's objects. A null result means
// the object does not exist in this program.

class CODBObs;
class COGenSub;
class COMeasObs;
class COSequence;
class COCursorStatus;
class CORecWindowContent;
class COPCBeep;
class COMonBeep;
class CORel1Beep;
class CORel2Beep;
class COAlarmStatus;
class COSequenceObs;

class IGlobalAccessor {
 public:
  virtual CODBObs* GetDocumentDB() = 0;
  virtual COGenSub* GetGenSub() = 0;
  virtual COMeasObs* GetMeasurement() = 0;
  virtual COSequence* GetActiveSequence() = 0;
  virtual COCursorStatus* GetCursorStatus() = 0;
  virtual CORecWindowContent* GetWindowRec() = 0;
  virtual COPCBeep* GetPCBeep() = 0;
  virtual COMonBeep* GetMonBeep() = 0;
  virtual CORel1Beep* GetRel1Beep() = 0;
  virtual CORel2Beep* GetRel2Beep() = 0;
  virtual COAlarmStatus* GetAlarmStatus() = 0;
  virtual COSequenceObs* GetSequence() = 0;
  // The base application deletes the registered accessor; this lets the
  // program's accessor release what it holds.
  virtual ~IGlobalAccessor() = default;
};

class GlobalAccessor : public IGlobalAccessor {
 public:
  CODBObs* GetDocumentDB() override { return nullptr; }
  COGenSub* GetGenSub() override { return nullptr; }
  COMeasObs* GetMeasurement() override { return nullptr; }
  COSequence* GetActiveSequence() override { return nullptr; }
  COCursorStatus* GetCursorStatus() override { return nullptr; }
  CORecWindowContent* GetWindowRec() override { return nullptr; }
  COPCBeep* GetPCBeep() override { return nullptr; }
  COMonBeep* GetMonBeep() override { return nullptr; }
  CORel1Beep* GetRel1Beep() override { return nullptr; }
  CORel2Beep* GetRel2Beep() override { return nullptr; }
  COAlarmStatus* GetAlarmStatus() override { return nullptr; }
  COSequenceObs* GetSequence() override { return nullptr; }
};

// The registry of the process's accessor; the one inside the application
// object constructed last is the registry.
class AppRegister {
 public:
  AppRegister();
  ~AppRegister();
  AppRegister(const AppRegister&) = delete;
  AppRegister& operator=(const AppRegister&) = delete;

  // Stores the accessor when none is stored yet; the first one wins.
  bool Register(IGlobalAccessor* accessor);
  static IGlobalAccessor* GetAccessor();
  // Hands the stored accessor to the caller, which then owns it.
  IGlobalAccessor* Release();

  static AppRegister* instance;

 private:
  IGlobalAccessor* m_accessor = nullptr;
};
