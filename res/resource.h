// Identifiers of the resource module PelkinUpdate.prm and of the
// executable's own resources.
#pragma once

#define IDD_ABOUT         100
#define IDD_UPDATE_DIALOG 102
#define IDI_UPDATE_ICON   128

#define IDC_MESSAGE       1001
#define IDC_BUSY_TEXT     1004
// The busy layout's progress bar: the template's, or made at run time
// under the busy text when the template has none.
#define IDC_BUSY_PROGRESS 1005
// The Eject button of the Updated outcome: the template's, or made at run
// time left of the Close button when the template has none.
#define IDC_EJECT         1006

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
