#include <Maris/RandomNumberGenerator.h>

namespace Maris {

RandomNumberGenerator::~RandomNumberGenerator() = default;

} // namespace Maris
