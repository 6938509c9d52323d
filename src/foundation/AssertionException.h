#pragma once
// Internal inconsistencies are raised as AssertionException; ordinary failures return a status.

#include <exception>
#include <string>

namespace talven {

class AssertionException : public std::exception {
  public:
    /// Text is "Assertion failed: <module>(<line>)\r\n".
    AssertionException(const char* module, int line);
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& module() const { return module_; }
    int line() const { return line_; }

  private:
    std::string module_;
    int line_;
    std::string text_;
};

}  // namespace talven

/// Raises AssertionException naming the given module and the current line when cond is false.
#define TALVEN_ASSERT(cond, module)                               \
    do {                                                          \
        if (!(cond))                                              \
            throw ::talven::AssertionException(module, __LINE__); \
    } while (0)
