#pragma once

#include <cstdio>

#include "ui/services/state_services.h"

namespace ctrlprog {

// Window services for the console: message boxes go to stderr as one line each.
class ConsoleServices : public StateServices {
 public:
  void MessageBox(std::string_view text) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    ++messageCount_;
  }
  int MessageCount() const { return messageCount_; }

 private:
  int messageCount_ = 0;
};

}  // namespace ctrlprog
