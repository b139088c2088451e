#include "OfflineApp.h"

int main(int argc, char** argv) {
  COfflineApp app(std::vector<std::string>(argv + 1, argv + argc));
  return app.Run();
}
