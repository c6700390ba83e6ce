// The dialogs of the interface DLL's property pages and their controls.
#pragma once

#define IDD_SETTINGS 100
#define IDD_PRINTER 101

#define IDC_PAPER_LABEL 1001
#define IDC_PAPER 1002
#define IDC_ORIENTATION_LABEL 1003
#define IDC_PORTRAIT 1004
#define IDC_LANDSCAPE 1005
#define IDC_DARKNESS_LABEL 1006
#define IDC_DARKNESS 1007
#define IDC_DARKNESS_VALUE 1008
#define IDC_LIGHTER 1009
#define IDC_DARKER 1010

#define IDC_MODEL_LABEL 1101
#define IDC_MODEL 1102
#define IDC_RESOLUTION_LABEL 1103
#define IDC_RESOLUTION 1104
#define IDC_AREA_LABEL 1105
#define IDC_AREA 1106
#define IDC_CUTTER_LABEL 1107
#define IDC_CUTTER 1108

// Both pages.
#define IDC_HELP_BUTTON 1201
