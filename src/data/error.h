#pragma once

#include <stdexcept>
#include <string>

namespace varnel::data {

// The one exception type of the data layer. Its message is written for the user: it names the
// file or value and says in plain words what is wrong.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A change that reached the file but could not be confirmed on disk: it is there for every
// program to read, yet may not survive a power cut.
class NotDurableError : public Error {
  public:
    using Error::Error;
};

}  // namespace varnel::data
