// Resource numbers of tbhelp.dll.
#pragma once

#define IDS_PROJNAME 100
#define IDS_DAILY_MAXIMUM 101
#define IDS_NOT_ALLOWED_HOUR 102
#define IDS_MINUTES_LEFT 103
#define IDS_SECONDS_LEFT 104

#define IDR_TAMBERLY 200
#define IDI_TAMBERLY 201
