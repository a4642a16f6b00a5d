#pragma once
#include <string>

namespace tabulon {

// What the browser loads for an address as the user typed or stored it:
// scheme-less text becomes an http address, an absolute path a file address.
// Script addresses load nothing (a blank page): no page, favourite or status
// text can make a fresh tab run script through its address.
std::string NormalizeAddress(const std::string& address);

}  // namespace tabulon
