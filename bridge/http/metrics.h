// The bridge in Prometheus's text format (0.0.4), for a facility that
// watches many bridges from the Prometheus it already runs.
#pragma once

#include "bridge/service.h"

#include <QByteArray>

namespace bridge {

QByteArray metricsText(const Service &service);

} // namespace bridge
