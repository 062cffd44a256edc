#include "link/platform/windows/WideText.h"

#include <windows.h>

#include <algorithm>

namespace nimbo::platform {

std::optional<std::wstring> WideFromUtf8(const std::string& text, SystemError& error) {
  if (text.empty()) {
    return std::wstring();
  }
  const int size = static_cast<int>(text.size());
  const int length =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length <= 0 || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size,
                                           wide.data(), length) != length) {
    error = {SystemError::Kind::Other, "the name is not valid UTF-8"};
    return std::nullopt;
  }
  return wide;
}

std::optional<std::wstring> WidePath(const std::string& path, SystemError& error) {
  std::optional<std::wstring> wide = WideFromUtf8(path, error);
  if (wide && wide->rfind(L"\\\\?\\", 0) != 0) {
    std::replace(wide->begin(), wide->end(), L'/', L'\\');
  }
  return wide;
}

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

namespace {

// `text` with each insert that FormatMessage leaves in a system message
// ("%1", "%2!s!") filled with `subject`.
std::string FillInserts(const std::string& text, std::string_view subject) {
  const auto digit = [&text](std::size_t at) {
    return at < text.size() && text[at] >= '0' && text[at] <= '9';
  };
  std::string filled;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || !digit(i + 1) || text[i + 1] == '0') {
      filled += text[i];
      continue;
    }
    std::size_t end = i + 1;
    while (digit(end)) {
      ++end;
    }
    if (end < text.size() && text[end] == '!') {
      const std::size_t close = text.find('!', end + 1);
      end = close == std::string::npos ? end : close + 1;
    }
    filled += subject;
    i = end - 1;
  }
  return filled;
}

}  // namespace

SystemError LastSystemError(std::string_view subject) {
  const DWORD code = ::GetLastError();
  SystemError error;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_MOD_NOT_FOUND:
      error.kind = SystemError::Kind::NotFound;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      error.kind = SystemError::Kind::AlreadyExists;
      break;
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) {
    error.text = "system error " + std::to_string(code);
    return error;
  }
  std::wstring wide(text, length);
  ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) {
    wide.pop_back();
  }
  // Inserts are left as they stand: filled in by FormatMessage, a message
  // with more of them than there are arguments would read past them.
  error.text = FillInserts(Utf8FromWide(wide), subject);
  return error;
}

}  // namespace nimbo::platform
