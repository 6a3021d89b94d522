// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's version texts and the addresses the About box links to, kept in one place. The
// version and the project's own addresses come from the build's settings (PACKHELM_HOMEPAGE,
// PACKHELM_CONTACT in the top-level CMakeLists.txt); an address the build does not set is empty.

#include "PackhelmBuildConfig.h"

namespace AboutInfo {

inline constexpr char ProgramVersion[] = PACKHELM_VERSION;
inline constexpr char PackerVersion[] = "UPX ver 1.24";  // the packer release the options follow

inline constexpr char AuthorEmail[] = PACKHELM_CONTACT;
inline constexpr char AuthorWeb[] = PACKHELM_HOMEPAGE;
inline constexpr char PackerWeb[] = "https://upx.github.io/";

// Packhelm's licence (the LICENSE file), by its SPDX name, and the licence's text on the web.
inline constexpr char License[] = "GPL-3.0-or-later";
inline constexpr char LicenseWeb[] = "https://www.gnu.org/licenses/gpl-3.0.html";

}  // namespace AboutInfo
