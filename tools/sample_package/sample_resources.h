// Resource ids of the files the sample package installer carries.
#pragma once

#define SAMPLE_PRODUCT_RESOURCE 101      // becomes ZarnelDravix.exe
#define SAMPLE_UNINSTALLER_RESOURCE 102  // becomes uninst.ep
#define SAMPLE_PADDING_RESOURCE 103      // makes the package big enough to be worth downloading
