#include "PresentationApp.h"
#include "core/App.h"

int main(int argc, char** argv) {
  CPresentationApp app(platform::ArgsFromMain(argc, argv));
  return app.Run();
}
