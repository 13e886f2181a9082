// The maker's name and web address shown in the main window's right-hand
// column, and the pages the link labels open.
#pragma once

namespace zephyn {

inline constexpr const char* kMakerNameZh = "泽风串口实验室";
inline constexpr const char* kMakerNameEn = "Zephyn Serial Lab";
inline constexpr const char* kMakerWebAddress = "www.zephyn.example";
inline constexpr const char* kMakerHomePage = "https://www.zephyn.example/";
inline constexpr const char* kMakerAboutPage = "https://www.zephyn.example/main/about/1.html";

}  // namespace zephyn
