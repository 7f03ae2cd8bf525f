#pragma once
// The shared unit Common: its paper size table, its record codecs and data
// files, and its widget helpers. Code includes the part it uses.

#include "CommonFiles.h"
#include "CommonOptions.h"
#include "CommonPaper.h"
#include "CommonRecords.h"
#include "CommonWidgets.h"
