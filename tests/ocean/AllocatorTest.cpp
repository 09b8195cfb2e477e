#include "CountingAllocator.h"
#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include <Maris/Containers.h>
#include "core/DefaultRandomNumberGenerator.h"
#include <Maris/Environment.h>
#include <Maris/Memory.h>
#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string smallTGA()
{
    TGAHeader header;
    header.width = 2;
    return tgaFile(header, std::string("\x01\x02\x03\x04\x05\x06", 6));
}

} // namespace

TEST(Allocator, DefaultIsCurrentAtStartAndNullReinstatesIt)
{
    Maris::Allocator* original = Maris::Allocator::GetCurrent();
    EXPECT_EQ(original, Maris::Allocator::GetDefault());
    CountingAllocator counting;
    Maris::Allocator::SetCurrent(&counting);
    EXPECT_EQ(Maris::Allocator::GetCurrent(), &counting);
    Maris::Allocator::SetCurrent(nullptr);
    EXPECT_EQ(Maris::Allocator::GetCurrent(), Maris::Allocator::GetDefault());
}

TEST(Allocator, EveryLibraryObjectAndBufferGoesThroughTheCurrentAllocator)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "default-visibility-below = 50\nlong-key-name-that-allocates = "
                                    "a value long enough to leave the small-string buffer\n");
    directory.write("image.tga", smallTGA());

    CountingAllocator counting;
    {
        CurrentAllocator current(&counting);
        // Each step must draw at least one block from the counting allocator.
        int before = counting.allocations;
        auto drewMemory = [&counting, &before]() {
            const bool drew = counting.allocations > before;
            before = counting.allocations;
            return drew;
        };

        Maris::ResourceLoader* loader = new Maris::ResourceLoader(directory.path().c_str(), false);
        EXPECT_TRUE(drewMemory()) << "resource loader";
        Maris::Environment* environment = new Maris::Environment;
        EXPECT_TRUE(drewMemory()) << "environment";
        ASSERT_EQ(environment->Initialize(Maris::FlatZUp, Maris::OpenGL2, loader, nullptr, false),
                  Maris::EnvironmentInitialized);
        EXPECT_TRUE(drewMemory()) << "configuration table and frustum";
        environment->SimulateSeaState(5.0, 1.0);
        EXPECT_TRUE(drewMemory()) << "wind fetch list";

        Maris::TGALoader* image = new Maris::TGALoader;
        EXPECT_TRUE(drewMemory()) << "TGA loader";
        ASSERT_TRUE(image->Load("image.tga", loader));
        EXPECT_TRUE(drewMemory()) << "pixels";

        char* text = nullptr;
        std::size_t size = 0;
        ASSERT_TRUE(loader->LoadResource("Maris.config", text, size, true));
        EXPECT_TRUE(drewMemory()) << "resource buffer";

        Maris::Vector<double> values(1000, 1.0);
        EXPECT_TRUE(drewMemory()) << "vector";
        Maris::String longText(200, 'x');
        EXPECT_TRUE(drewMemory()) << "string";
        Maris::List<int> list{1, 2, 3};
        EXPECT_TRUE(drewMemory()) << "list";

        loader->FreeResource(text);
        delete image;
        delete environment;
        delete loader;
    }
    // Everything went back to the allocator it came from: nothing lost, nothing foreign.
    EXPECT_TRUE(counting.live.empty()) << counting.live.size() << " blocks not freed";
    EXPECT_EQ(counting.foreignFrees, 0);
    EXPECT_EQ(counting.allocations, counting.frees);
}

TEST(Allocator, BlocksReturnToTheirOwnAllocatorAfterTheCurrentOneChanges)
{
    CountingAllocator first;
    CountingAllocator second;
    Maris::DefaultRandomNumberGenerator* generator = nullptr;
    void* block = nullptr;
    {
        CurrentAllocator current(&first);
        generator = new Maris::DefaultRandomNumberGenerator;
        block = Maris::AllocateMemory(64);
    }
    {
        CurrentAllocator current(&second);
        delete generator;
        Maris::FreeMemory(block);
    }
    EXPECT_EQ(first.allocations, 2);
    EXPECT_EQ(first.frees, 2);
    EXPECT_TRUE(first.live.empty());
    EXPECT_EQ(second.allocations, 0);
    EXPECT_EQ(second.frees, 0);
}

TEST(Allocator, LibraryMemoryIsAlignedForEveryFundamentalType)
{
    for (std::size_t size : {1u, 3u, 17u, 100u}) {
        void* block = Maris::AllocateMemory(size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
        Maris::FreeMemory(block);
    }
    Maris::FreeMemory(nullptr);
}

TEST(Allocator, EmptiedConfigurationKeepsNoMemory)
{
    MessageCapture messages;
    CountingAllocator counting;
    {
        CurrentAllocator current(&counting);
        Maris::Configuration::SetConfigEntry("a-key-long-enough-to-need-its-own-block", "1");
        EXPECT_GT(counting.live.size(), 0u);
        Maris::Configuration::Unload();
    }
    EXPECT_TRUE(counting.live.empty());
}
