#include "OnlineApp.h"

int main(int argc, char** argv) {
  COnlineApp app(std::vector<std::string>(argv + 1, argv + argc));
  return app.Run();
}
