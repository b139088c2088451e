#include "OnlineApp.h"
#include "core/App.h"

int main(int argc, char** argv) {
  COnlineApp app(platform::ArgsFromMain(argc, argv));
  return app.Run();
}
