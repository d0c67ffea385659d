#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "core/actions/url_command.h"
#include "core/ui/list_kind.h"

namespace tessaly {

// The lists' shared context menu, written once: the window builds the menu
// from these rows, in order, and a right-click on a list sets each item's
// state from its row.

// What an item runs.
enum class MenuCommand {
    None,  // separators and the submenu heading
    ViewFileContents,
    LookUp,  // hands an address made from the entry to the shell (`url`)
    SaveResults,
    Copy,
    Launch,  // asks first, then opens the entry itself (`url`)
    Properties,
};

// Services stands for the look-up services of the settings, one item each
// (in their order, named by ServiceObjectName), all in the row's states.
enum class MenuRowKind { Item, Separator, SubmenuBegin, SubmenuEnd, Services };

// What a right-click on a list does to an item before the menu shows.
// An untouched item keeps whatever state the last popup left it in.
enum class ItemState : unsigned char { Untouched, Enabled, Disabled };

struct MenuRow {
    MenuRowKind kind = MenuRowKind::Item;
    std::string_view objectName;
    // The design caption; empty for LookUp and Launch, which take their
    // command's caption (see CaptionOf).
    std::string_view caption;
    MenuCommand command = MenuCommand::None;
    UrlCommand url = UrlCommand::Launch;
    // Indexed by ListKind.
    std::array<ItemState, kListKinds> states{};
    // The caption a right-click on that list sets; empty leaves it as it is.
    std::array<std::string_view, kListKinds> captions{};

    ItemState stateOn(ListKind list) const { return states[static_cast<std::size_t>(list)]; }
    std::string_view captionOn(ListKind list) const {
        return captions[static_cast<std::size_t>(list)];
    }
};

// Every row, in menu order; a submenu's items stand between its begin and
// end rows.
std::span<const MenuRow> ContextMenuRows();

// The caption an item shows when the menu is built.
std::string_view CaptionOf(const MenuRow& row);

struct LookupService;

// The object name of a look-up service's item: the design name for a default
// ("mnuURLCheckSafeWeb"), "mnuLookUp_" + the command-line name for a service
// of the user's.
std::string ServiceObjectName(const LookupService& service);

// Whether the row's items hand an address made from the entry to the shell
// (look-ups, Wendel, Launch): the items Offline switches off.
bool OpensAnAddress(const MenuRow& row);

// Whether the row's items act on the list's selected row: every command but
// Save Results. A popup opened with no row selected (on the empty part of a
// list) offers them disabled.
bool ActsOnARow(const MenuRow& row);

// A popup opens only for the right button alone, on a list with rows.
bool OpensPopup(bool rightButtonOnly, std::size_t rowCount);

}  // namespace tessaly
