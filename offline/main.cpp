#include "OfflineApp.h"
#include "core/App.h"

int main(int argc, char** argv) {
  COfflineApp app(platform::ArgsFromMain(argc, argv));
  return app.Run();
}
