// What every page scenario expects of a whole boot, whatever its page shows.
#pragma once

#include <gtest/gtest.h>

#include "sim/boot.h"

// No pool block left allocated, no call the driver should not make, no string refused.
inline void ExpectCleanBoot(const sim::BootReport &report) {
  EXPECT_EQ(report.poolLeaks, 0u) << "pool blocks left allocated";
  for (const sim::EventRecord &event : report.events) {
    for (const char *fault : {"unexpected-service-call", "pool-free-invalid", "event-close-invalid", "tpl-misuse",
                             "string-rejected"}) {
      EXPECT_NE(event.kind, fault) << event.detail;
    }
  }
}
