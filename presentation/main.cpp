#include "PresentationApp.h"

int main(int argc, char** argv) {
  CPresentationApp app(std::vector<std::string>(argv + 1, argv + argc));
  return app.Run();
}
