// Identifiers of the about window (template "LAbout").
#pragma once

#define IDC_ABOUT_ICON 1901
#define IDC_ABOUT_NAME 1902
#define IDC_ABOUT_VERSION 1903
#define IDC_ABOUT_SITE 1904
#define IDC_ABOUT_SUPPORT 1905
