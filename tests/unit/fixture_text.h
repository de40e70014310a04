// Builds sensor fixtures from text for the tests.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "standins/fixture/sensor_fixture.h"

namespace veltar {

inline SensorFixture FixtureFrom(std::string_view text) {
    auto parsed = ParseSensorFixture(text);
    if (const auto* error = std::get_if<FixtureError>(&parsed)) {
        ADD_FAILURE() << "fixture line " << error->line << ": " << error->message;
        return {};
    }
    return std::get<SensorFixture>(std::move(parsed));
}

}  // namespace veltar
