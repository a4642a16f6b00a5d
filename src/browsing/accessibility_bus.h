#pragma once
#include <string>

namespace tabulon {

// Whether a D-Bus address (the accessibility bus's, from AT_SPI_BUS_ADDRESS
// or the display's AT_SPI_BUS property) names local sockets of which none
// takes a connection: left behind by a session that ended. The engine's
// sandbox cannot start pages with such an address. Addresses it cannot test
// (tcp, or none given) count as live.
bool AccessibilityBusIsStale(const std::string& address);

// The value of one key of a D-Bus address entry ("unix:path=/a%20b,guid=…"),
// with its %-escapes undone; empty when the key is absent.
std::string DBusAddressValue(const std::string& entry, const std::string& key);

}  // namespace tabulon
