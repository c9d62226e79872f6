// Resource ids of the installer executable.
#pragma once

#define IDI_PRODUCT_ICON 145
#define IDR_SKIN_ARCHIVE 147  // type "ZIPRES": the skin's 7z archive
