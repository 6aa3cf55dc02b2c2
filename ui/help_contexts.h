// The places of the help the program opens, and the HTML page made for each by
// scripts/make_help.py (the contents topic is index.htm; another topic's page is
// named after its context string: IDH_TRANSMIT_PAGE gives transmit_page.htm).
#pragma once

namespace vt {

// The contents (HELP_CONTENTS); every other number is a HELP_CONTEXT number.
constexpr int kHelpContents = 0;

// Folder of the program's folder that holds the HTML pages, and the contents page.
static const char kHelpPagesFolder[] = "aide";
static const char kHelpIndexPage[] = "index.htm";

struct HelpPage {
  int context;
  const char* page;
};

static const HelpPage kHelpPages[] = {
    {kHelpContents, kHelpIndexPage},
    {104, "transmit_page.htm"},    // options page "Transmettre"
    {105, "recordings_list.htm"},  // recordings list window
    {106, "commands_page.htm"},    // options page "Commandes"
};

}  // namespace vt
