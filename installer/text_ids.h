#pragma once
// String table ids, shared by the code and resources/setup.rc.
#define IDS_CONFIRMINSTALL 100
#define IDS_INSTALLDONE 101
#define IDS_CONFIRMABORT 102
#define IDS_LOWCOLOR 103
#define IDS_SETFAILED 104
#define IDS_CANNOTRUNHERE 105
#define IDS_CONFIRMREMOVE 106
#define IDS_REMOVEDONE 107
#define IDS_NOTOURS 108
