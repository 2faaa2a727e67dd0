// Identifiers of the resource module PelkinUpdate.prm and of the
// executable's own resources.
#pragma once

#define IDD_ABOUT         100
#define IDD_UPDATE_DIALOG 102
// The station window (PelkinUpdate /station); a module may lack it.
#define IDD_STATION       103
#define IDI_UPDATE_ICON   128

#define IDC_MESSAGE       1001
#define IDC_BUSY_TEXT     1004
// The busy layout's progress bar: the template's, or made at run time
// under the busy text when the template has none.
#define IDC_BUSY_PROGRESS 1005
// The Eject button of the Updated outcome: the template's, or made at run
// time left of the Close button when the template has none.
#define IDC_EJECT         1006

// The station window's message line, its list of devices, its counters
// and its eject check box.
#define IDC_STATION_MESSAGE 1010
#define IDC_STATION_LIST    1011
#define IDC_STATION_COUNTS  1012
#define IDC_STATION_EJECT   1013

#define IDS_ABOUT_ITEM          101
#define IDS_UPDATE_DONE         102
#define IDS_COPY_FAILED         103
#define IDS_DEVICE_NOT_FOUND    104
#define IDS_RETRY_BUTTON        105
#define IDS_SEARCHING           106
#define IDS_CLOSE_BUTTON        107
#define IDS_VERSION_REFUSED     108
#define IDS_NO_ROOM             109
#define IDS_UPDATING            110
#define IDS_CAPTION             111
#define IDS_DEFAULT_DEVICE_NAME 112
#define IDS_USAGE               113
#define IDS_EJECT_BUTTON        114
#define IDS_EJECTED             115
#define IDS_EJECT_VETOED        116
#define IDS_EJECT_HOLDER        117
// The message of a package that differs from its SHA256SUMS, with the first
// file at fault.
#define IDS_PACKAGE_DAMAGED     118
// The message of an eject that the host failed without a veto.
#define IDS_EJECT_FAILED        119

// The station window: its list's column headings, in their order.
#define IDS_STATION_COLUMN_DRIVE    120
#define IDS_STATION_COLUMN_DEVICE   121
#define IDS_STATION_COLUMN_SERIAL   122
#define IDS_STATION_COLUMN_PORT     123
#define IDS_STATION_COLUMN_BEFORE   124
#define IDS_STATION_COLUMN_AFTER    125
#define IDS_STATION_COLUMN_STATE    126
#define IDS_STATION_COLUMN_REASON   127
// The counters line: updated, refused, failed.
#define IDS_STATION_COUNTS          128
// A row's state while it is handled; IDS_STATION_UPDATING takes the
// percentage.
#define IDS_STATION_WAITING         129
#define IDS_STATION_CHECKING        130
#define IDS_STATION_UPDATING        131
#define IDS_STATION_UPDATED         132
#define IDS_STATION_EJECTED         133
#define IDS_STATION_REMOVED         134
// A row's state once its handling ended other than Updated.
#define IDS_STATION_NOT_FOUND       135
#define IDS_STATION_VERSION_REFUSED 136
#define IDS_STATION_NO_ROOM         137
#define IDS_STATION_COPY_FAILED     138
#define IDS_STATION_PACKAGE_DAMAGED 139
#define IDS_STATION_NO_DRIVE_LIST   140
// The message line when the record can't be written (its path, then why),
// the question when the window is closed while devices are handled (how
// many), and the message line until they have ended.
#define IDS_STATION_RECORD_FAILED   141
#define IDS_STATION_CLOSE_QUESTION  142
#define IDS_STATION_CLOSING         143
