#pragma once
// The favourites dialog. (Being built: see the favourites issue.)

namespace tabulon {

class Application;

class FormIni {
 public:
  virtual ~FormIni() = default;
};

}  // namespace tabulon
