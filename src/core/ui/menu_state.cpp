#include "core/ui/menu_state.h"

#include <utility>

#include "core/actions/lookup_services.h"
#include "core/actions/url_rules.h"
#include "core/ui/texts.h"

namespace tessaly {

namespace {

constexpr ItemState kOn = ItemState::Enabled;
constexpr ItemState kOff = ItemState::Disabled;
constexpr ItemState kKeep = ItemState::Untouched;

constexpr MenuRow Row(MenuRowKind kind, std::string_view name, std::string_view caption = {}) {
    MenuRow row;
    row.kind = kind;
    row.objectName = name;
    row.caption = caption;
    return row;
}

// The states (and the caption) a right-click sets, for the files list and
// the contents list.
constexpr MenuRow Item(std::string_view name, std::string_view caption, MenuCommand command,
                       ItemState onFiles, ItemState onContents,
                       std::string_view captionOnFiles = {}) {
    MenuRow row = Row(MenuRowKind::Item, name, caption);
    row.command = command;
    row.states = {onFiles, onContents};
    row.captions = {captionOnFiles, {}};
    return row;
}

// An item that hands an address made from the entry on, under its command's
// caption.
constexpr MenuRow Address(std::string_view name, MenuCommand command, UrlCommand url,
                          ItemState onFiles, ItemState onContents) {
    MenuRow row = Item(name, {}, command, onFiles, onContents);
    row.url = url;
    return row;
}

constexpr MenuRow LookUp(std::string_view name, UrlCommand url) {
    return Address(name, MenuCommand::LookUp, url, kOff, kOn);
}

// The look-up services of the settings, in the states of a look-up.
constexpr MenuRow Services(std::string_view name) {
    MenuRow row = LookUp(name, UrlCommand::Launch);
    row.kind = MenuRowKind::Services;
    row.command = MenuCommand::LookUp;
    return row;
}

// The design names of the default services' items, in their order.
constexpr std::array<std::pair<UrlCommand, std::string_view>, 9> kServiceNames{{
    {UrlCommand::BrowserDefender, "mnuURLCheckBrowserDefender"},
    {UrlCommand::Blackthorn, "mnuBlackthorn"},
    {UrlCommand::MalwareDomainList, "mnuURLCheckMDL"},
    {UrlCommand::SafeWeb, "mnuURLCheckSafeWeb"},
    {UrlCommand::SiteAdvisor, "mnuSAR"},
    {UrlCommand::TrustedSource, "mnuURLCheckTrusSrc"},
    {UrlCommand::WebOfTrust, "mnuURLCheckWOT"},
    {UrlCommand::WebSniffer, "mnuURLCheckWebSniffer"},
    {UrlCommand::LinkScanner, "mnuURLCheckLinkScanner"},
}};

constexpr std::array kRows{
    Item("mnuView", "View file contents", MenuCommand::ViewFileContents, kOn, kOff),
    Row(MenuRowKind::Separator, "mnuMSep"),
    LookUp("mnuWendel", UrlCommand::Wendel),
    Row(MenuRowKind::Separator, "mnuSep"),
    Row(MenuRowKind::SubmenuBegin, "mnuURLCheckSite", "Check this site with"),
    Services("mnuURLCheckServices"),
    Row(MenuRowKind::SubmenuEnd, {}),
    Row(MenuRowKind::Separator, "mnuSep0"),
    // No right-click changes it, so it is always enabled.
    Item("mnuSaveResults", "&Save Results", MenuCommand::SaveResults, kKeep, kKeep),
    Row(MenuRowKind::Separator, "mnuSep1"),
    // The files list renames it and leaves its state; nothing renames it back.
    Item("mnuCopy", "&Copy selected URL", MenuCommand::Copy, kKeep, kOn, texts::kCopyFilesCaption),
    Address("mnuOpen", MenuCommand::Launch, UrlCommand::Launch, kOff, kOn),
    Row(MenuRowKind::Separator, "mnuSep2"),
    Item("mnuProperties", "Show file &properties", MenuCommand::Properties, kOn, kOff),
};

}  // namespace

std::span<const MenuRow> ContextMenuRows() { return kRows; }

std::string_view CaptionOf(const MenuRow& row) {
    if (row.kind == MenuRowKind::Services) return {};
    if (row.command == MenuCommand::LookUp || row.command == MenuCommand::Launch) {
        return Caption(row.url);
    }
    return row.caption;
}

std::string ServiceObjectName(const LookupService& service) {
    for (const auto& [command, name] : kServiceNames) {
        if (service.builtIn == command) return std::string(name);
    }
    return "mnuLookUp_" + service.cliName;
}

bool OpensAnAddress(const MenuRow& row) {
    return row.command == MenuCommand::LookUp || row.command == MenuCommand::Launch;
}

bool ActsOnARow(const MenuRow& row) {
    return row.command != MenuCommand::None && row.command != MenuCommand::SaveResults;
}

bool OpensPopup(bool rightButtonOnly, std::size_t rowCount) {
    return rightButtonOnly && rowCount > 0;
}

}  // namespace tessaly
