// Resource numbers of tbbar.dll.
#pragma once

#define IDS_PROJNAME 100
#define IDR_TAMBERLYBAR 101
