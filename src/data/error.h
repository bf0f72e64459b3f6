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

}  // namespace varnel::data
