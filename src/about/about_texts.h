#pragma once

namespace tabulon {

// Who made the program and where to read about it. The addresses stay under
// example.org, which is reserved and belongs to no one, until the project
// has pages of its own.
inline constexpr const char* kMakerName = "QKS";
inline constexpr const char* kMakerHomePage = "https://example.org/qks/";
inline constexpr const char* kMakerSecondPage = "https://qks.example.org/";
inline constexpr const char* kAboutNotice = "Copyright (C) 2026 QKS";
inline constexpr const char* kAboutDescription = "タブで切り替えて使うWebブラウザ";
inline constexpr const char* kAboutRequirements = "動作環境: Linux デスクトップ, GTK 3, WebKitGTK";

}  // namespace tabulon
