// Every resource, control and command id of the memo program, one block per kind.
// Resource numbers are keyed by type in the program file (DIALOG 101 and MENU 101 are different
// resources). 101 to 104 are fixed by the program's external interface and shared across types as it
// gives them; a resource added beyond it takes a number that no other type uses.
#pragma once

/* DIALOG */
#define IDD_MAIN     101
#define IDD_SETTINGS 102
#define IDD_ENTRY    103
#define IDD_OPENKEY  104
#define IDD_FIND     105

/* MENU */
#define IDR_MAINMENU    101
#define IDR_LISTMENU    102
#define IDR_ROOTKEYMENU 103

/* ACCELERATORS of the main window */
#define IDR_ACCELERATORS 106

/* BITMAP (monochrome) */
#define IDB_GRID       101 // 8 x 8, the pattern of the dotted end row
#define IDB_ROOTBUTTON 102 // 19 x 7, "HK" and a triangle on the root-key button
#define IDB_KEYBADGE   103 // 23 x 11, the key badge

/* CURSOR */
#define IDCUR_MOVE 101 // arrow with a small double-headed arrow: an entry can be moved
#define IDCUR_DRAG 102 // double-headed arrow while an entry is dragged

/* ICON (the order gives the icon indices of the program file: 101 is 0, 102 is 1) */
#define IDI_PROGRAM  101
#define IDI_MEMOFILE 102

/* Labels that the program never addresses */
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Controls of DIALOG 101, the main window */
#define IDC_MEMOLIST 1001
#define IDC_OPEN     1002
#define IDC_ADD      1003
#define IDC_DELETE   1004
#define IDC_CHANGE   1005
#define IDC_IMPORT   1006
#define IDC_MINSIZE  1007 // hidden; its top-left corner is the minimum client size

/* Controls of DIALOG 102, the settings dialog */
#define IDC_REMEMBERWINDOW   1008
#define IDC_EXTENSIONLABEL   1009
#define IDC_EXTENSION        1010
#define IDC_ASSOCIATE        1011
#define IDC_OPENATSTARTUP    1012
#define IDC_STARTUPFILE      1013
#define IDC_BROWSE           1014
#define IDC_AUTOSAVE         1015
#define IDC_EXPANDKEY        1016
#define IDC_OPENEDITOR       1017
#define IDC_STARTUPFILELABEL 1018

/* Controls of DIALOG 103, the entry dialog */
#define IDC_ENTRY_DESCRIPTION 1019
#define IDC_ENTRY_KEYLABEL    1020
#define IDC_ENTRY_KEYPATH     1021
#define IDC_ENTRY_ROOTBUTTON  1022
#define IDC_ENTRY_VALUENAME   1023
#define IDC_ENTRY_KEYBADGE    1024
#define IDC_ENTRY_CAPTURE     1025

/* Controls of DIALOG 104, the open-key dialog */
#define IDC_OPENKEY_KEYLABEL   1026
#define IDC_OPENKEY_KEYPATH    1027
#define IDC_OPENKEY_ROOTBUTTON 1028
#define IDC_OPENKEY_VALUENAME  1029
#define IDC_OPENKEY_KEYBADGE   1030

/* Controls of DIALOG 105, the find dialog */
#define IDC_FIND_TEXT 1031

/* Commands of MENU 101, the main menu */
#define IDM_NEW          40001
#define IDM_OPEN         40002
#define IDM_SAVE         40003
#define IDM_SAVEAS       40004
#define IDM_EXIT         40005
#define IDM_ADD          40006
#define IDM_DELETE       40007
#define IDM_CHANGE       40008
#define IDM_MOVEUP       40009
#define IDM_MOVEDOWN     40010
#define IDM_SETTINGS     40011
#define IDM_OPENENTRY    40012
#define IDM_CAPTURE      40013
#define IDM_OPENKEY      40014
#define IDM_STARTREGEDIT 40015

/* Commands of MENU 102, the list context menu (each carried out as its main-menu twin) */
#define IDM_LIST_OPEN     40016
#define IDM_LIST_ADD      40017
#define IDM_LIST_DELETE   40018
#define IDM_LIST_CHANGE   40019
#define IDM_LIST_CAPTURE  40020
#define IDM_LIST_MOVEUP   40021
#define IDM_LIST_MOVEDOWN 40022

/* Commands of MENU 103, the root-key menu: root index = command - IDM_ROOTKEY_FIRST */
#define IDM_ROOTKEY_FIRST 40023
#define IDM_ROOTKEY_HKCR  40023
#define IDM_ROOTKEY_HKCU  40024
#define IDM_ROOTKEY_HKLM  40025
#define IDM_ROOTKEY_HKU   40026
#define IDM_ROOTKEY_HKCC  40027
#define IDM_ROOTKEY_HKDD  40028
#define IDM_ROOTKEY_LAST  40028

/* Commands of MENU 101 added after the root-key range */
#define IDM_FIND     40031
#define IDM_FINDNEXT 40032

/* Copying the selected entry's key path: an item of the main menu and its twin in the context menu */
#define IDM_COPYKEYPATH      40040
#define IDM_LIST_COPYKEYPATH 40041

/* Asking the registry again which entries are there (F5, no menu item) */
#define IDM_RECHECK 40070

/* The Registry Editor's Favorites: adding the selected entry (main menu and context menu), taking them in */
#define IDM_ADDFAVORITE      40071
#define IDM_IMPORTFAVORITES  40072
#define IDM_LIST_ADDFAVORITE 40073

/* Undo and redo, at the top of the edit menu */
#define IDM_UNDO 40060
#define IDM_REDO 40061

/* The recent memo files of the ファイル menu, most recent first */
#define IDM_RECENT_FIRST 40050
#define IDM_RECENT_LAST  40057

/* Timers of the main window */
#define IDT_AUTOSCROLL 1
#define IDT_SHELLRECENT 2

#if defined(__cplusplus) && !defined(RC_INVOKED)
static_assert(IDM_ROOTKEY_LAST - IDM_ROOTKEY_FIRST + 1 == 6, "one command per registry root");
static_assert(IDM_LIST_OPEN == IDM_STARTREGEDIT + 1, "context-menu commands follow the main menu's");
static_assert(IDM_RECENT_LAST - IDM_RECENT_FIRST + 1 == 8, "one command per recent memo file");
#endif
