// A console for the tests that run a driver in-process: it keeps what the driver prints, each
// stream apart.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/console.hpp"

namespace tromvex::test {

// Keeps what goes to standard output in transcript, marking every pause in it as "<pause>"
// and answering 'y', and what goes to standard error in errors. Only the converter pauses;
// for the other programs (the default) a pause also fails the test.
class RecordingConsole final : public Console {
 public:
  enum class Pauses { forbidden, allowed };

  explicit RecordingConsole(Pauses pauses = Pauses::forbidden) : pauses_(pauses) {}

  void print(std::string_view text) override { transcript.append(text); }
  void print_error(std::string_view text) override { errors.append(text); }
  int wait_for_key() override {
    if (pauses_ == Pauses::forbidden) ADD_FAILURE() << "the program waited for a key";
    transcript += "<pause>";
    return 'y';
  }

  std::string transcript;  // standard output
  std::string errors;      // standard error

 private:
  Pauses pauses_;
};

}  // namespace tromvex::test
