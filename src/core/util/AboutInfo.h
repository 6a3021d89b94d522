#pragma once
// The program's version texts and the addresses the About box links to, kept in one place.

namespace AboutInfo {

inline constexpr char ProgramVersion[] = "1.0.17";
inline constexpr char PackerVersion[] = "UPX ver 1.24";  // the packer release the options follow

inline constexpr char AuthorEmail[] = "packhelm@example.org";
inline constexpr char AuthorWeb[] = "https://packhelm.example.org/";
inline constexpr char PackerWeb[] = "https://upx.github.io/";

}  // namespace AboutInfo
