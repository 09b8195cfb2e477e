#include "MessageCapture.h"

#include <Maris/Environment.h>
#include <Maris/WindFetch.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const double pi = 3.14159265358979323846;

struct Wind
{
    double speed = -1.0;
    double direction = -1.0;
    double fetch = -1.0;
};

Wind windAt(const Maris::Environment& environment, const Maris::Vector3& position)
{
    Wind wind;
    environment.GetWind(position, wind.speed, wind.direction, wind.fetch);
    return wind;
}

Wind fetchWindAt(const Maris::WindFetch& fetch, const Maris::Vector3& position)
{
    Wind wind;
    fetch.GetWindAtLocation(position, wind.speed, wind.direction, wind.fetch);
    return wind;
}

} // namespace

TEST(Wind, BeaufortFourGivesTheEmpiricalSpeed)
{
    MessageCapture messages;
    Maris::Environment environment;
    environment.SimulateSeaState(4.0, 0.0);
    ASSERT_EQ(environment.GetWindFetches().size(), 1u);
    const Maris::WindFetch& fetch = environment.GetWindFetches().front();
    EXPECT_TRUE(fetch.global);
    EXPECT_NEAR(fetch.windSpeed, 6.688, 1e-12);
    EXPECT_EQ(fetch.fetchLength, 0.0);

    const Wind wind = windAt(environment, Maris::Vector3(100.0, -50.0, 3.0));
    EXPECT_NEAR(wind.speed, 6.688, 1e-12);
    // The combined direction is atan2 of the cosine sum over the sine sum.
    EXPECT_NEAR(wind.direction, pi / 2.0, 1e-12);
    EXPECT_EQ(wind.fetch, 0.0);
    EXPECT_TRUE(messages.entries().empty());
}

TEST(Wind, SeaStateScalesWithWorldUnitsAndReplacesEarlierFetches)
{
    MessageCapture messages;
    Maris::Environment environment;
    Maris::WindFetch extra;
    extra.SetWind(10.0, 1.0);
    environment.AddWindFetch(extra);
    environment.AddWindFetch(extra);
    environment.SetMetersPerUnit(2.0);
    environment.SimulateSeaState(9.0, 1.5);
    ASSERT_EQ(environment.GetWindFetches().size(), 1u);
    EXPECT_NEAR(environment.GetWindFetches().front().windSpeed, 0.836 * 27.0 / 2.0, 1e-12);
    EXPECT_EQ(environment.GetWindFetches().front().windDirection, 1.5);
    environment.ClearWindFetches();
    EXPECT_TRUE(environment.GetWindFetches().empty());
    EXPECT_EQ(windAt(environment, Maris::Vector3()).speed, 0.0);
    EXPECT_EQ(windAt(environment, Maris::Vector3()).direction, 0.0);
}

TEST(Wind, DirectionsBeyondAFullTurnAreReportedAndKept)
{
    MessageCapture messages;
    Maris::Environment environment;
    // The viewer's default of 250 is such a case.
    environment.SimulateSeaState(3.0, 250.0);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"You passed in a wind direction greater than 2PI to "
                                       "Environment::SimulateSeaState. Technically this is OK, but "
                                       "are you sure you're using radians instead of degrees here?"});
    EXPECT_EQ(environment.GetWindFetches().front().windDirection, 250.0);
    messages.clear();
    environment.SimulateSeaState(3.0, -6.3);
    EXPECT_EQ(messages.texts().size(), 1u);
    messages.clear();
    environment.SimulateSeaState(3.0, 6.28);
    EXPECT_TRUE(messages.entries().empty());

    Maris::WindFetch fetch;
    fetch.SetWind(5.0, -7.0);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"You passed in a direction greater than += 2*PI. While this is "
                                       "technically OK, are you sure you're passing in radians and not "
                                       "degrees?"});
    EXPECT_EQ(fetch.windDirection, -7.0);
    EXPECT_EQ(fetch.windSpeed, 5.0);
}

TEST(Wind, LocalFetchBlowsOnlyInsideItsEllipsoid)
{
    MessageCapture messages;
    Maris::WindFetch fetch;
    fetch.SetWind(8.0, 0.3);
    fetch.SetLocalization(Maris::Vector3(100.0, 0.0, 0.0), Maris::Vector3(10.0, 20.0, 5.0));
    EXPECT_FALSE(fetch.global);

    const Wind inside = fetchWindAt(fetch, Maris::Vector3(103.0, 4.0, 0.0));
    EXPECT_EQ(inside.speed, 8.0);
    EXPECT_EQ(inside.direction, 0.3);
    // Without a given fetch length, the distance from the centre.
    EXPECT_NEAR(inside.fetch, 5.0, 1e-12);

    for (const Maris::Vector3& outside :
         {Maris::Vector3(110.0, 0.0, 0.0), Maris::Vector3(100.0, -20.0, 0.0),
          Maris::Vector3(100.0, 0.0, 5.0), Maris::Vector3(108.0, 12.0, 0.0),
          Maris::Vector3(0.0, 0.0, 0.0)}) {
        const Wind wind = fetchWindAt(fetch, outside);
        EXPECT_EQ(wind.speed, 0.0);
        EXPECT_EQ(wind.direction, 0.0);
        EXPECT_EQ(wind.fetch, 0.0);
    }

    fetch.SetFetchLength(3000.0);
    EXPECT_EQ(fetchWindAt(fetch, Maris::Vector3(103.0, 4.0, 0.0)).fetch, 3000.0);
    EXPECT_EQ(fetchWindAt(fetch, Maris::Vector3(0.0, 0.0, 0.0)).fetch, 0.0);
}

TEST(Wind, ADegenerateEllipsoidCoversNothing)
{
    Maris::WindFetch fetch;
    fetch.SetWind(8.0, 0.0);
    fetch.SetLocalization(Maris::Vector3(), Maris::Vector3(0.0, 1.0, 1.0));
    EXPECT_EQ(fetchWindAt(fetch, Maris::Vector3()).speed, 0.0);
}

TEST(Wind, FetchesAddAsVectorsAndTheLongestFetchLengthWins)
{
    MessageCapture messages;
    Maris::Environment environment;
    Maris::WindFetch east;
    east.SetWind(3.0, 0.0);
    east.SetFetchLength(500.0);
    Maris::WindFetch north;
    north.SetWind(4.0, pi / 2.0);
    north.SetFetchLength(2000.0);
    Maris::WindFetch faraway;
    faraway.SetWind(50.0, 1.0);
    faraway.SetLocalization(Maris::Vector3(1e6, 0.0, 0.0), Maris::Vector3(1.0, 1.0, 1.0));
    environment.AddWindFetch(east);
    environment.AddWindFetch(north);
    environment.AddWindFetch(faraway);

    const Wind wind = windAt(environment, Maris::Vector3(0.0, 0.0, 0.0));
    // Sine sum 4, cosine sum 3.
    EXPECT_NEAR(wind.speed, 5.0, 1e-12);
    EXPECT_NEAR(wind.direction, std::atan2(3.0, 4.0), 1e-12);
    EXPECT_EQ(wind.fetch, 2000.0);
}
