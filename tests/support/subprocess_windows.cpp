// Runs a program as a child process with no console and collects what it printed (Windows).
#ifdef _WIN32

#include <windows.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "support/subprocess.hpp"

namespace tromvex::test {
namespace {

std::wstring to_wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// Quotes one argument so that the child's command-line parser gives it back unchanged:
// backslashes count only before a quote, where they are doubled.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t unit : arg) {
    if (unit == L'\\') {
      ++backslashes;
      continue;
    }
    const std::size_t doubled = unit == L'"' ? 2 * backslashes + 1 : backslashes;
    text.append(doubled, L'\\');
    backslashes = 0;
    text += unit;
  }
  text.append(2 * backslashes, L'\\');
  return text + L"\"";
}

// A Windows program's standard output in text mode ends lines with CR LF; the transcripts are
// compared as the program wrote them, with LF.
std::string without_carriage_returns(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return lines;
}

constexpr int kStartAttempts = 5;

HANDLE open_null(DWORD access, SECURITY_ATTRIBUTES& inheritable) {
  return CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     OPEN_EXISTING, 0, nullptr);
}

}  // namespace

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds timeout) {
  std::wstring command_line;
  for (const std::string& arg : args) {
    if (!command_line.empty()) command_line += L' ';
    command_line += quoted(to_wide(arg));
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output_read = nullptr, output_write = nullptr;
  HANDLE error_read = nullptr, error_write = nullptr;
  if (!CreatePipe(&output_read, &output_write, &inheritable, 0) ||
      !CreatePipe(&error_read, &error_write, &inheritable, 0)) {
    throw std::runtime_error("pipe failed");
  }
  // Only the writing ends go to the child.
  SetHandleInformation(output_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(error_read, HANDLE_FLAG_INHERIT, 0);
  HANDLE null_in = open_null(GENERIC_READ, inheritable);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_in;
  startup.hStdOutput = output_write;
  startup.hStdError = error_write;
  PROCESS_INFORMATION process{};
  std::fflush(nullptr);
  // DETACHED_PROCESS: the child has no console at all, as when started from a service or a
  // pipeline, so its pause must return at once.
  // wine now and then fails to start a process while others start (its loader cannot reserve
  // the address range it wants); a few tries a moment apart take such a start back.
  const std::wstring program_path = to_wide(program);
  BOOL started = FALSE;
  DWORD start_error = 0;
  for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    started = CreateProcessW(program_path.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                             DETACHED_PROCESS, nullptr, nullptr, &startup, &process);
    if (!started) start_error = GetLastError();
  }
  CloseHandle(output_write);
  CloseHandle(error_write);
  CloseHandle(null_in);
  if (!started) {
    CloseHandle(output_read);
    CloseHandle(error_read);
    std::string message = "cannot start ";
    message += program;
    message += " (error ";
    message += std::to_string(start_error);
    message += ')';
    throw std::runtime_error(message);
  }

  ProcessResult result;
  const auto read_all = [](HANDLE pipe, std::string& text) {
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0)
      text.append(buffer, count);
  };
  std::thread reader([&] { read_all(output_read, result.output); });
  std::thread error_reader([&] { read_all(error_read, result.errors); });
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    result.timed_out = true;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  reader.join();
  error_reader.join();
  result.output = without_carriage_returns(result.output);
  result.errors = without_carriage_returns(result.errors);
  DWORD status = 0;
  if (!result.timed_out && GetExitCodeProcess(process.hProcess, &status)) {
    result.exit_status = static_cast<int>(status);
  }
  CloseHandle(output_read);
  CloseHandle(error_read);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace tromvex::test

#endif  // _WIN32
