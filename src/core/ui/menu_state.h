#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace tessaly {

// The items of the lists' shared context menu, in menu order (separators
// and the submenu heading are not switched by either list).
enum class MenuItem {
    View,
    Wendel,
    BrowserDefender,
    Blackthorn,
    MalwareDomainList,
    SafeWeb,
    SiteAdvisor,
    TrustedSource,
    WebOfTrust,
    WebSniffer,
    LinkScanner,
    SaveResults,
    Copy,
    Launch,
    Properties,
};

struct MenuItemState {
    MenuItem item;
    bool enabled;
};

// What a right-click on each list sets, in the order it sets it. Items not
// named keep whatever state the last popup left them in.
std::span<const MenuItemState> FilesListMenuStates();
std::span<const MenuItemState> ContentsListMenuStates();

// The files list renames the copy item; the contents list leaves the caption
// as it finds it.
std::optional<std::string_view> FilesListCopyCaption();

// A popup opens only for the right button alone, on a list with rows.
bool OpensPopup(bool rightButtonOnly, std::size_t rowCount);

}  // namespace tessaly
