#pragma once
// Resource ids shared by zelmora.rc and the code.
#define ZELMORA_PROGRAM_ICON 1
