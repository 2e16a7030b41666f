// resource.h: identifiers of QUARNEL's resources, shared by the C++ code and quarnel.rc.
// Only #defines here, so that windres can read it as well as the compiler.
#ifndef QUARNEL_RES_RESOURCE_H
#define QUARNEL_RES_RESOURCE_H

// Toolbar picture strips (bitmaps 128, 131 and 132) are 16-colour (4 bpp) bitmaps with the
// standard VGA palette. Their background is light grey RGB(192,192,192): it is the transparent
// colour. Whoever loads a strip maps the palette's black, RGB(128,128,128), RGB(192,192,192) and
// white to the system colours COLOR_BTNTEXT, COLOR_BTNSHADOW, COLOR_BTNFACE and COLOR_BTNHIGHLIGHT
// and then masks COLOR_BTNFACE, so the pictures use light grey for nothing but the background.
#define QUARNEL_TOOLBAR_TRANSPARENT     0x00C0C0C0 // COLORREF of RGB(192,192,192)

// Resource type of the toolbar button lists: WORD version (1), WORD image width, WORD image
// height, WORD item count, then one WORD command id per item (0 for a separator).
#define RT_QUARNEL_TOOLBAR              241

// Resource sets and resources
#define IDR_MAINFRAME                   128 // menu bar, accelerators, icon, template string, toolbar
#define IDD_ERROR_DETAILS               130
#define IDR_TOOLBAR_FLAT                131 // 20 x 20 menu pictures (flat look)
#define IDR_TOOLBAR_CLASSIC             132 // 16 x 15 menu pictures (classic look)
#define IDD_ANNOUNCEMENT                137
#define IDB_ANNOUNCEMENT                138 // 285 x 92 picture of the viewer at work
#define IDB_SPLASH                      139
#define IDD_SPLASH                      140
#define IDB_SPLASH_VERSION              141
#define IDR_LIST_POPUP                  144
#define IDR_OPEN_POPUP                  145
#define IDD_PROGRESS                    162

// The same pictures drawn for larger displays (tools/make_art.py): the 100 % picture's id plus 1000
// for 125 %, 2000 for 150 % and 3000 for 200 % (framework/win/Dpi.h). The program takes the one
// nearest the screen's scaling and never stretches a picture.
#define IDB_TOOLBAR_MAIN_125            1128 // 28 x 28
#define IDB_TOOLBAR_MAIN_150            2128 // 33 x 33
#define IDB_TOOLBAR_MAIN_200            3128 // 44 x 44
#define IDB_TOOLBAR_FLAT_125            1131 // 25 x 25
#define IDB_TOOLBAR_FLAT_150            2131 // 30 x 30
#define IDB_TOOLBAR_FLAT_200            3131 // 40 x 40
#define IDB_TOOLBAR_CLASSIC_125         1132 // 20 x 19
#define IDB_TOOLBAR_CLASSIC_150         2132 // 24 x 23
#define IDB_TOOLBAR_CLASSIC_200         3132 // 32 x 30
#define IDB_ANNOUNCEMENT_200            3138 // the splash, its plate and the announcement: 1x and 2x
#define IDB_SPLASH_200                  3139
#define IDB_SPLASH_VERSION_200          3141

// Image sizes of the toolbar strips at 100 %, in pixels
#define QUARNEL_TOOLBAR_MAIN_CX         22
#define QUARNEL_TOOLBAR_MAIN_CY         22
#define QUARNEL_TOOLBAR_FLAT_CX         20
#define QUARNEL_TOOLBAR_FLAT_CY         20
#define QUARNEL_TOOLBAR_CLASSIC_CX      16
#define QUARNEL_TOOLBAR_CLASSIC_CY      15

// Controls without an id of their own (pictures, labels)
#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif

// Controls of the error-details dialog (130)
#define IDC_ERROR_DETAILS_TEXT          1000
#define IDC_ERROR_HEADER                1001

// Controls of the progress dialog (162)
#define IDC_PROGRESS_ACTION             1001
#define IDC_PROGRESS_ITEM               1002
#define IDC_PROGRESS_BAR                1003

// Controls of the announcement dialog (137)
#define IDC_ANNOUNCE_DESCRIPTION        1002
#define IDC_ANNOUNCE_NOTICE             1003
#define IDC_ANNOUNCE_DOWNLOAD           1004

// The quick-jump push button that the open dialog adds to the system's file dialog
#define IDC_QUICKJUMP_BUTTON            101

// Our own commands
#define ID_EDIT_ADD                     32771
#define ID_EDIT_REMOVE                  32772
#define ID_EDIT_EXTRACT                 32773
#define ID_TOOLBAR_BLANK                32774 // last toolbar button; nothing handles it
#define ID_HELP_CHECK_VERSION           32777
#define ID_INDICATOR_PANE1              32778
#define ID_INDICATOR_PANE2              32779
#define ID_EDIT_SELECT_ALL              32785
#define ID_FILE_BROWSE_MIRADOR          32786
#define ID_JUMP_SUMMONER                32791
#define ID_JUMP_REDFACTION              32792
#define ID_EDIT_QUICK_VIEW              32810

// Standard commands of the application framework
#define ID_FILE_NEW                     57600
#define ID_FILE_OPEN                    57601
#define ID_FILE_CLOSE                   57602
#define ID_FILE_SAVE                    57603
#define ID_FILE_SAVE_AS                 57604
#define ID_FILE_PRINT_SETUP             57606
#define ID_FILE_MRU_FILE1               57616
#define ID_FILE_MRU_FILE2               57617
#define ID_FILE_MRU_FILE3               57618
#define ID_FILE_MRU_FILE4               57619
#define ID_FILE_MRU_FILE5               57620
#define ID_FILE_MRU_FILE6               57621
#define ID_FILE_MRU_FILE7               57622
#define ID_FILE_MRU_FILE8               57623
#define ID_FILE_MRU_FILE9               57624
#define ID_FILE_MRU_FILE10              57625
#define ID_EDIT_COPY                    57634
#define ID_APP_ABOUT                    57664
#define ID_APP_EXIT                     57665

// Standard strings of the application framework
#define AFX_IDS_APP_TITLE               57344
#define AFX_IDS_IDLEMESSAGE             57345

// Status-line prompts of the system menu's commands (0xEF00 + (SC_xxx - SC_SIZE) / 16)
#define AFX_IDS_SCSIZE                  61184
#define AFX_IDS_SCMOVE                  61185
#define AFX_IDS_SCMINIMIZE              61186
#define AFX_IDS_SCMAXIMIZE              61187
#define AFX_IDS_SCCLOSE                 61190
#define AFX_IDS_SCRESTORE               61202

// Standard window ids of the frame's bars
#define AFX_IDW_TOOLBAR                 59392
#define AFX_IDW_STATUS_BAR              59393

#endif // QUARNEL_RES_RESOURCE_H
