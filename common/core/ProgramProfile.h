#pragma once
// What sets one program apart, as the shared layers need to know it. Each
// program makes its own and hands it to its context; shared code asks it
// what to do instead of asking which program runs.
#include <string>

struct ProgramProfile {
  // The program's name: the messages' caption, the about box, the window
  // placement and the program file's version block are kept under it.
  std::string name;

  // --- its channels ---
  // Channels 0-5 show the detector's signals (in µV), not gas
  // concentrations and water vapour.
  bool signalChannels = false;
  // The task keeps the cell's temperature (channel 6); the windows show it
  // beside the filters.
  bool temperatureColumn = false;
  // Channels are named by their letters ("A", "Water Vapour") and listed
  // without a letter in front, not by the gas of the active bank.
  bool letterNames = false;
  // The windows offer only the filters the task locked, and show only the
  // channels their interval's mask selects.
  bool lockedFiltersOnly = false;
  // The windows offer the air pressure whatever monitor measured.
  bool pressureAlways = false;

  // --- its tasks and its monitor ---
  // Its tasks are calibration tasks: their prototype, their list, the task
  // dialogs' titles.
  bool calibrationTasks = false;
  // It shows stored tasks only: every task is listed whatever the monitor,
  // and an opened task is not announced to observers.
  bool storedOnly = false;
  // It has a measurement subject with the serial stack.
  bool talksToMonitor = false;
  // It takes what the monitor recorded on its own: a task's stored start
  // stays as it is, and it never uploads filter information.
  bool uploadsRecords = false;
  // It goes on without a monitor when the user gives up connecting, rather
  // than ending.
  bool worksWithoutMonitor = false;

  // --- its windows ---
  // The calibration's variants of the shared windows: the port dialog and
  // the graph's Y-axis pages of their own, the sampling page without
  // sampling, display and compensation, curves chosen by type, the graph
  // marking by measurement number and staying on what it drew while newer
  // samples wait, the status window not kept with the task.
  bool calibrationWindows = false;
  // The splash picture's resource id (0: none).
  int splashBitmap = 0;
};
