#pragma once
// A transport connection in memory: it records every block written and hands
// out prepared blocks, one per read.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "TransConn.h"

class FakeConn : public TransConn {
 public:
  void Open() override {}
  void Close() override {}
  void Read(ChBuf& buffer) override {
    ++reads;
    if (blocks.empty()) {
      buffer.Clear();
      return;
    }
    buffer.Assign(blocks.front());
    blocks.pop_front();
  }
  unsigned Write(const ConstChBuf& data) override {
    if (onWrite) onWrite();
    const unsigned n = maxWrite && data.Length() > maxWrite ? maxWrite : data.Length();
    written.push_back(std::string(data.Buffer(), n));
    return n;
  }
  void DiscardInput() override {
    ++discards;
    blocks.clear();
  }

  std::string AllWritten() const {
    std::string all;
    for (const auto& w : written) all += w;
    return all;
  }

  std::deque<std::string> blocks;
  std::vector<std::string> written;
  std::function<void()> onWrite;
  unsigned maxWrite = 0;  // 0: every write takes the whole block
  int reads = 0;
  int discards = 0;
};
