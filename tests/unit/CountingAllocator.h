// The number of global allocations the unit-test binary has made so far.
#pragma once

long allocationCount();
