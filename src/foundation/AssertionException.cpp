#include "foundation/AssertionException.h"

namespace talven {

AssertionException::AssertionException(const char* module, int line)
    : module_(module ? module : ""), line_(line) {
    text_ = "Assertion failed: " + module_ + "(" + std::to_string(line_) + ")\r\n";
}

}  // namespace talven
