#pragma once

namespace korvel
{
class SerialPort;
struct ClientParts;
} // namespace korvel

namespace korvel::tool
{

// The tool window's register requests over `port` and its receive path.
void install(ClientParts &parts, SerialPort &port);

} // namespace korvel::tool
