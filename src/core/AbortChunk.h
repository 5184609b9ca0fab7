#pragma once

#include <exception>

namespace korvel
{

// Raised by a reply handler when a field cannot be read (a number that is not a number). It ends the
// handling of the received chunk; the read notification drops it without a message.
class AbortChunk final : public std::exception
{
public:
    const char *what() const noexcept override { return "received text could not be read"; }
};

} // namespace korvel
