// Control identifiers of the tag editor (template LAudioTagDataEditor): the seven
// fields in the editor's order.
#pragma once

#define IDC_TAG_TITLE 101
#define IDC_TAG_ARTIST 102
#define IDC_TAG_ALBUM 103
#define IDC_TAG_GENRE 104
#define IDC_TAG_TRACK 105
#define IDC_TAG_YEAR 106
#define IDC_TAG_COMMENT 107
