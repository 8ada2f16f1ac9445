#pragma once

#define IDS_UNSUPPORTED_BROWSER 1
