#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "core/actions/lookup_services.h"
#include "core/actions/url_rules.h"
#include "core/ui/menu_state.h"

namespace tessaly {
namespace {

// The menu is written once: Wendel and Launch have exactly one item each,
// under their own captions, the look-up services one place inside the
// submenu, and every item and separator its own object name.
TEST(ContextMenuRows, HoldEachCommandOnceUnderItsOwnName) {
    std::map<UrlCommand, int> items;
    std::set<std::string_view> names;
    int depth = 0;
    int services = 0;
    for (const MenuRow& row : ContextMenuRows()) {
        if (row.kind == MenuRowKind::SubmenuEnd) {
            --depth;
            EXPECT_GE(depth, 0);
            continue;
        }
        if (row.kind == MenuRowKind::SubmenuBegin) ++depth;
        EXPECT_FALSE(row.objectName.empty());
        EXPECT_TRUE(names.insert(row.objectName).second) << row.objectName;
        if (row.kind == MenuRowKind::Services) {
            ++services;
            EXPECT_EQ(depth, 1);
            EXPECT_TRUE(OpensAnAddress(row));
            EXPECT_EQ(row.stateOn(ListKind::Files), ItemState::Disabled);
            EXPECT_EQ(row.stateOn(ListKind::Contents), ItemState::Enabled);
        }
        if (row.kind != MenuRowKind::Item) continue;
        EXPECT_NE(row.command, MenuCommand::None) << row.objectName;
        EXPECT_FALSE(CaptionOf(row).empty()) << row.objectName;
        if (row.command == MenuCommand::LookUp || row.command == MenuCommand::Launch) {
            ++items[row.url];
            EXPECT_EQ(CaptionOf(row), Caption(row.url));
            EXPECT_EQ(row.command == MenuCommand::Launch, row.url == UrlCommand::Launch);
        }
        EXPECT_EQ(OpensAnAddress(row),
                  row.command == MenuCommand::LookUp || row.command == MenuCommand::Launch)
            << row.objectName;
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(services, 1);
    EXPECT_EQ(items, (std::map<UrlCommand, int>{{UrlCommand::Wendel, 1}, {UrlCommand::Launch, 1}}));
}

// The default services keep their design names, which no other item has;
// a service of the user's is named after its command.
TEST(ContextMenuRows, ServiceItemsHaveTheirOwnNames) {
    std::set<std::string> names;
    for (const MenuRow& row : ContextMenuRows()) names.emplace(row.objectName);
    const std::set<std::string> designNames{"mnuURLCheckBrowserDefender",
                                            "mnuBlackthorn",
                                            "mnuURLCheckMDL",
                                            "mnuURLCheckSafeWeb",
                                            "mnuSAR",
                                            "mnuURLCheckTrusSrc",
                                            "mnuURLCheckWOT",
                                            "mnuURLCheckWebSniffer",
                                            "mnuURLCheckLinkScanner"};
    std::set<std::string> serviceNames;
    for (const LookupService& service : DefaultLookupServices().services) {
        serviceNames.insert(ServiceObjectName(service));
    }
    EXPECT_EQ(serviceNames, designNames);
    for (const std::string& name : serviceNames) EXPECT_EQ(names.count(name), 0u) << name;
    LookupService mine;
    mine.cliName = "virustotal";
    EXPECT_EQ(ServiceObjectName(mine), "mnuLookUp_virustotal");
}

}  // namespace
}  // namespace tessaly
