#pragma once
// The about box. (Being built: see the about-box issue.)

namespace tabulon {

class frmQKSinfo {
 public:
  virtual ~frmQKSinfo() = default;
};

}  // namespace tabulon
