#include "core/ui/menu_state.h"

#include <array>

#include "core/ui/texts.h"

namespace tessaly {

namespace {

constexpr std::array kFilesList{
    MenuItemState{MenuItem::SiteAdvisor, false}, MenuItemState{MenuItem::Blackthorn, false},
    MenuItemState{MenuItem::Wendel, false},      MenuItemState{MenuItem::BrowserDefender, false},
    MenuItemState{MenuItem::LinkScanner, false}, MenuItemState{MenuItem::MalwareDomainList, false},
    MenuItemState{MenuItem::SafeWeb, false},     MenuItemState{MenuItem::TrustedSource, false},
    MenuItemState{MenuItem::WebSniffer, false},  MenuItemState{MenuItem::WebOfTrust, false},
    MenuItemState{MenuItem::Launch, false},      MenuItemState{MenuItem::Properties, true},
    MenuItemState{MenuItem::View, true},
};

constexpr std::array kContentsList{
    MenuItemState{MenuItem::SiteAdvisor, true}, MenuItemState{MenuItem::Blackthorn, true},
    MenuItemState{MenuItem::Wendel, true},      MenuItemState{MenuItem::BrowserDefender, true},
    MenuItemState{MenuItem::LinkScanner, true}, MenuItemState{MenuItem::MalwareDomainList, true},
    MenuItemState{MenuItem::SafeWeb, true},     MenuItemState{MenuItem::TrustedSource, true},
    MenuItemState{MenuItem::WebSniffer, true},  MenuItemState{MenuItem::WebOfTrust, true},
    MenuItemState{MenuItem::Copy, true},        MenuItemState{MenuItem::Launch, true},
    MenuItemState{MenuItem::Properties, false}, MenuItemState{MenuItem::View, false},
};

}  // namespace

std::span<const MenuItemState> FilesListMenuStates() { return kFilesList; }
std::span<const MenuItemState> ContentsListMenuStates() { return kContentsList; }
std::optional<std::string_view> FilesListCopyCaption() { return texts::kCopyFilesCaption; }

bool OpensPopup(bool rightButtonOnly, std::size_t rowCount) {
    return rightButtonOnly && rowCount > 0;
}

}  // namespace tessaly
