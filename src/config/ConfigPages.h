// The eight pages of the configuration editor: which items each shows (by Class and fixed
// flag) and the text of its tab. Items of Class 2 or of any class without a page are shown
// nowhere, and so the editor neither saves nor stores them.
#pragma once

#include <cstdint>

struct tagConfigPage {
    const char* TabText;
    int32_t ItemClass;
    bool Fixed;  // the page holds the fixed items of its class
};

constexpr int kConfigPageCount = 8;
// The pages the DCM context menu and the byte tables work on.
constexpr int kUserInterfacePage = 3;       // "User I/F modules"
constexpr int kFixedConfigurationPage = 4;  // "Fixed Configuation", home of "Cfg Name"
constexpr int kFixedUserInterfacePage = 7;  // "Fixed User I/F modules"
// Pages from here on are shown only with "Show Fixed Config Items".
constexpr int kFirstFixedPage = 4;

// Page 0 .. kConfigPageCount-1.
const tagConfigPage& ConfigPage(int page);

// The page that shows an item of item_class with the fixed flag; -1 when no page does.
int ConfigPageFor(int32_t item_class, bool fixed);
