#pragma once

#include <string>
#include <string_view>

// Runs this test program again as a second process, to check what other processes see of the
// named kernel objects.
namespace skylark::wintest {

// Starts this executable with only the tests matching `gtestFilter`, with the environment
// variable `name` set to `value`, and returns its exit code (-1 when it could not be run or did
// not end within ten seconds).
int RunThisProgram(std::u16string_view gtestFilter, std::u16string_view name, std::u16string_view value);

// The value of an environment variable set for a child by RunThisProgram; empty when unset.
std::u16string ChildArgument(std::u16string_view name);

}  // namespace skylark::wintest
