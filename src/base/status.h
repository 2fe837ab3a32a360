// Result of an engine operation that can fail for expected reasons (a lock not obtained, a missing
// file, a malformed line). Carries the context the screens need to tell the operator.
#pragma once

#include <string>
#include <utility>

namespace vorn {

class [[nodiscard]] Status {
  public:
    enum class Code { kOk, kNotFound, kLocked, kIoError, kCorrupt, kInvalid, kCancelled };

    Status() = default;
    static Status ok() { return {}; }
    static Status not_found(std::string msg) { return {Code::kNotFound, std::move(msg)}; }
    static Status locked(std::string msg) { return {Code::kLocked, std::move(msg)}; }
    static Status io_error(std::string msg) { return {Code::kIoError, std::move(msg)}; }
    static Status corrupt(std::string msg) { return {Code::kCorrupt, std::move(msg)}; }
    static Status invalid(std::string msg) { return {Code::kInvalid, std::move(msg)}; }
    static Status cancelled(std::string msg) { return {Code::kCancelled, std::move(msg)}; }

    bool is_ok() const { return code_ == Code::kOk; }
    explicit operator bool() const { return is_ok(); }
    Code code() const { return code_; }
    const std::string& message() const { return message_; }
    std::string to_string() const { return is_ok() ? "OK" : message_; }

  private:
    Status(Code c, std::string m) : code_(c), message_(std::move(m)) {}
    Code code_ = Code::kOk;
    std::string message_;
};

}  // namespace vorn
