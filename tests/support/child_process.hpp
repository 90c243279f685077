// Runs a piece of a test in a child process (POSIX), where limits and a lesser user apply to
// it alone.
#pragma once

#include <cstddef>
#include <functional>

namespace tromvex::test {

// Runs body in a forked child and returns the child's exit status, body's return value (0 to
// 255), or -1 when the child did not exit normally. Used with the limits and user below.
int status_in_child(const std::function<int()>& body);

// As status_in_child, with the process run as the user nobody when the test runs as root (root
// may write anywhere), so that permissions apply.
int status_as_ordinary_user(const std::function<int()>& body);

// As status_in_child, with files limited to file_size bytes: a write past that fails.
int status_with_file_size_limit(std::size_t file_size, const std::function<int()>& body);

}  // namespace tromvex::test
