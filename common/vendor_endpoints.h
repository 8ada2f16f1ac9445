// The vendor's web site as every program of the system sees it. One
// configuration: change a host here and every program follows. Nothing in
// the system fetches from these addresses itself; they are compared with
// addresses or opened in a browser window.
#pragma once

#include <string_view>

namespace tb::vendor {

// Never blocked; the import skips lines that contain it; Block Sites
// refuses it.
inline constexpr char kDomain[] = "orvan.com";
inline constexpr char kWebHost[] = "www.orvan.com";

inline constexpr char kRemoteRestrictedPage[] = "http://www.orvan.com/tamberly/tamberlyrestricted.asp";
inline constexpr char kUpdatePage[] = "http://www.orvan.com/tamberly/tamberlyupdate.asp";
inline constexpr char kUpdateErrorPage[] = "http://www.orvan.com/tamberly/tamberlyupdateerror.asp";
inline constexpr char kSmallUpdatePage[] = "http://www.orvan.com/tamberly/tamberlyupdatesmall.asp";
inline constexpr char kHelpPage[] = "http://www.orvan.com/tamberly/tamberlyusing.asp?M";
inline constexpr char kBannerImage[] = "http://www.orvan.com/_mem_bin/banner.gif";

// The bar's pages: main page, advertisement pane, navigation page, and the
// referrer headers sent with links moved to the main window.
inline constexpr char kMainBarPage[] = "http://www.orvan.com/tamberly/bar/tbbar.asp";
inline constexpr char kMicroAdPage[] = "http://ads.fernwheel.biz/tamberly/microad.asp";
inline constexpr char kNavPage[] = "http://www.orvan.com/tamberly/bar/tbnav.asp";
inline constexpr char kReferrerPage[] = "Referer: http://www.orvan.com/tamberly/bar/tbbar.asp\r\n";

// The advertising servers whose pages the bar shows: never blocked, never
// logged.
inline constexpr char kAdHostPrimary[] = "ads.fernwheel.biz";
inline constexpr char kAdHostSecondary[] = "img.fernwheel.biz";
inline constexpr char kAdNetwork[] = "adfernwheel";
// Completed navigations to this server leave the Manager's address field alone.
inline constexpr char kAdServerPrefix[] = "http://ads.fernwheel.biz";

inline constexpr char kSupportEmail[] = "support@orvan.com";
inline constexpr char kSupportPhone[] = "1-800-555-0142";

static_assert(sizeof(kDomain) - 1 == 9, "vendor domain: name dot com, 9 characters");
static_assert(sizeof(kWebHost) - 1 == 13, "web host: www. and the domain");
static_assert(sizeof(kAdHostPrimary) - 1 == 17 && sizeof(kAdHostSecondary) - 1 == 17,
              "advertising hosts: 17 characters");
static_assert(sizeof(kAdNetwork) - 1 == 11, "advertising network: 11 characters");
static_assert(sizeof(kMainBarPage) <= 300 && sizeof(kMicroAdPage) <= 300 && sizeof(kNavPage) <= 300 &&
                  sizeof(kReferrerPage) <= 300,
              "bar pages fit their 300-byte buffers");

}  // namespace tb::vendor
