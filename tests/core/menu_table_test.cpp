#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "core/actions/url_rules.h"
#include "core/ui/menu_state.h"

namespace tessaly {
namespace {

// The menu is written once: every address command has exactly one item,
// under its own caption, and every item and separator its own object name.
TEST(ContextMenuRows, HoldEachCommandOnceUnderItsOwnName) {
    std::map<UrlCommand, int> items;
    std::set<std::string_view> names;
    int depth = 0;
    for (const MenuRow& row : ContextMenuRows()) {
        if (row.kind == MenuRowKind::SubmenuEnd) {
            --depth;
            EXPECT_GE(depth, 0);
            continue;
        }
        if (row.kind == MenuRowKind::SubmenuBegin) ++depth;
        EXPECT_FALSE(row.objectName.empty());
        EXPECT_TRUE(names.insert(row.objectName).second) << row.objectName;
        if (row.kind != MenuRowKind::Item) continue;
        EXPECT_NE(row.command, MenuCommand::None) << row.objectName;
        EXPECT_FALSE(CaptionOf(row).empty()) << row.objectName;
        if (row.command == MenuCommand::LookUp || row.command == MenuCommand::Launch) {
            ++items[row.url];
            EXPECT_EQ(CaptionOf(row), Caption(row.url));
            EXPECT_EQ(row.command == MenuCommand::Launch, row.url == UrlCommand::Launch);
        }
    }
    EXPECT_EQ(depth, 0);
    for (const UrlCommand command : AllUrlCommands()) {
        EXPECT_EQ(items[command], 1) << CliName(command);
    }
    EXPECT_EQ(items.size(), AllUrlCommands().size());
}

}  // namespace
}  // namespace tessaly
