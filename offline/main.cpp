#include "OfflineApp.h"
#include "ui/QtMessageSink.h"

int main(int argc, char** argv) {
  platform::QtMessageSink messages;
  platform::SetMessageSink(&messages);  // until the program base installs it for every program
  COfflineApp app(std::vector<std::string>(argv + 1, argv + argc));
  return app.Run();
}
