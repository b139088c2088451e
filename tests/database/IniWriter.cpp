// Registers data sources TARNIC:W0, TARNIC:W1, ... in the data-source file of
// its environment until it is killed, printing each number once its data
// source is registered whole.
#include <cstdio>
#include <string>

#include "db/DataSource.h"

int main() {
  for (int i = 0;; ++i) {
    platform::db::RegisterDataSource("TARNIC:W" + std::to_string(i), "written", "/data/W" + std::to_string(i) + ".db");
    std::printf("%d\n", i);
    std::fflush(stdout);
  }
}
