// Every resource id of the wizard: templates, pictures, menu, strings and
// the controls of each template. Names say the kind: IDD_ dialog, IDI_ icon,
// IDBMP_ bitmap, IDMENU_ menu, IDM_ menu command, IDS_ string; controls:
// IDP_ picture, IDG_ group box, IDT_ text, IDE_ edit, IDB_ button, IDX_ check
// box, IDR_ radio button, IDL_ list view, IDCB_ combo box, IDK_ link,
// IDPB_ progress bar. Plain #defines only: windres reads this file too.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_HOME 130
#define IDD_PASSWORD 134
#define IDD_ICON_SELECT 136
#define IDD_RUN_FILE 137
#define IDD_PROGRESS 154

// Pictures.
#define IDI_APP 128
#define IDI_ADD 141
#define IDI_REMOVE 142
#define IDI_BROWSE 143
#define IDI_BACK 145
#define IDI_NEXT 146
#define IDI_FINISH 147
#define IDI_CANCEL 148
#define IDBMP_BANNER 149

// The data-files page's popup menu: its first submenu is "files".
#define IDMENU_FILES 150
#define IDM_ADD 32771
#define IDM_REMOVE 32772
#define IDM_COPY_FILENAME 32773

// Strings.
#define IDS_APP_TITLE 57344

// Shared by the Back buttons of pages 1 to 3.
#define IDB_BACK 1114

// Page 0: data files and destination.
#define IDP_HOME_BANNER 1200
#define IDG_ADD_FILES 1201
#define IDT_ADD_HINT 1202
#define IDB_ADD 1203
#define IDB_REMOVE 1204
#define IDL_DATA_FILES 1205
#define IDT_NOTE_LINE1 1206
#define IDT_NOTE_LINE2 1207
#define IDG_DESTINATION 1208
#define IDT_DESTINATION_HINT 1209
#define IDT_DESTINATION_PATH 1210
#define IDE_DESTINATION_PATH 1211
#define IDB_BROWSE_FOLDER 1212
#define IDT_FILE_NAME 1213
#define IDE_FILE_NAME 1214
#define IDB_HOME_BACK 1215
#define IDB_HOME_NEXT 1216
#define IDB_HOME_CANCEL 1217
#define IDB_HOME_FINISH 1218
#define IDK_HOME_ABOUTME 1219
#define IDK_HOME_HELP 1220

// Page 1: icon and about message.
#define IDP_ICON_BANNER 1099
#define IDG_ICON 1100
#define IDG_ABOUT_MESSAGE 1101
#define IDT_ICON_HINT1 1102
#define IDT_ICON_HINT2 1109
#define IDT_ICON_FILE 1110
#define IDE_ICON_FILE 1116
#define IDB_BROWSE_ICON 1117
#define IDT_MESSAGE_HINT1 1118
#define IDT_MESSAGE_HINT2 1119
#define IDE_ABOUT_MESSAGE 1120
#define IDT_MESSAGE_LABEL 1121
#define IDE_ABOUT_TITLE 1122
#define IDT_TITLE_LABEL 1123
#define IDB_ICON_FINISH 1111
#define IDB_ICON_CANCEL 1112
#define IDB_ICON_NEXT 1113
#define IDK_ICON_HELP 1097
#define IDK_ICON_ABOUTME 1098

// Page 2: extraction folder and password.
#define IDE_PASSWORD 1016
#define IDT_PASSWORD 1017
#define IDP_PASSWORD_BANNER 1030
#define IDG_EXTRACT_FOLDER 1031
#define IDT_EXTRACT_HINT 1032
#define IDR_DEFAULT_FOLDER 1033
#define IDR_TEMP_FOLDER 1034
#define IDR_CHOOSE_FOLDER 1035
#define IDG_PASSWORD 1036
#define IDX_PROTECT 1038
#define IDT_CONFIRM 1042
#define IDE_CONFIRM 1131
#define IDB_PASSWORD_FINISH 1125
#define IDB_PASSWORD_CANCEL 1126
#define IDB_PASSWORD_NEXT 1127
#define IDK_PASSWORD_ABOUTME 1087
#define IDK_PASSWORD_HELP 1089

// Page 3: run after extraction.
#define IDX_RUN_FILE 1048
#define IDG_RUN_FILE 1049
#define IDT_RUN_HINT1 1050
#define IDT_RUN_HINT2 1051
#define IDR_FILE_NAME 1053
#define IDR_COMMAND 1054
#define IDE_COMMAND 1056
#define IDT_COMMAND_HINT1 1058
#define IDT_COMMAND_HINT2 1059
#define IDT_COMMAND_NOTE1 1060
#define IDT_COMMAND_NOTE2 1061
#define IDT_COMMAND_NOTE3 1062
#define IDP_RUN_BANNER 1132
#define IDCB_RUN_FILE 1160
#define IDB_RUN_FINISH 1128
#define IDB_RUN_CANCEL 1129
#define IDB_RUN_NEXT 1130
#define IDK_RUN_HELP 1084
#define IDK_RUN_ABOUTME 1086

// The "Processing..." window.
#define IDB_PROGRESS_CANCEL 1161
#define IDPB_PROGRESS 155
