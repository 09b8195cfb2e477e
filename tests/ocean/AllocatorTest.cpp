#include "TestSupport.h"

#include <Maris/Containers.h>
#include "core/DefaultRandomNumberGenerator.h"
#include <Maris/Environment.h>
#include <Maris/Memory.h>
#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(Allocator, EveryLibraryObjectAndBufferGoesThroughTheCurrentAllocator)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "default-visibility-below = 50\nlong-key-name-that-allocates = "
                                    "a value long enough to leave the small-string buffer\n");
    directory.write("image.tga", tga(2, 2, 1, 24, "\1\2\3\4\5\6"));
    EXPECT_EQ(Maris::Allocator::GetCurrent(), Maris::Allocator::GetDefault());
    {
        CountingAllocator counting;
        // Each step must draw at least one block from the counting allocator.
        int before = 0;
        auto drew = [&](const char* what) {
            EXPECT_GT(counting.allocations, before) << what;
            before = counting.allocations;
        };
        auto* loader = new Maris::ResourceLoader(directory.path().c_str(), false);
        drew("resource loader");
        auto* environment = new Maris::Environment;
        drew("environment");
        ASSERT_EQ(environment->Initialize(Maris::FlatZUp, Maris::OpenGL2, loader, nullptr, false),
                  Maris::EnvironmentInitialized);
        drew("configuration table and frustum");
        environment->SimulateSeaState(5.0, 1.0);
        drew("wind fetch list");
        auto* image = new Maris::TGALoader;
        drew("TGA loader");
        ASSERT_TRUE(image->Load("image.tga", loader));
        drew("pixels");
        char* text = nullptr;
        std::size_t size = 0;
        ASSERT_TRUE(loader->LoadResource("Maris.config", text, size, true));
        drew("resource buffer");
        {
            Maris::Vector<double> values(1000, 1.0);
            drew("vector");
            Maris::String longText(200, 'x');
            drew("string");
            Maris::List<int> list{1, 2, 3};
            drew("list");
        }
        loader->FreeResource(text);
        delete image;
        delete environment;
        delete loader;
        // Everything went back to the allocator it came from: nothing lost, nothing foreign.
        EXPECT_TRUE(counting.live.empty()) << counting.live.size() << " blocks not freed";
        EXPECT_EQ(counting.foreignFrees, 0);
    }
    EXPECT_EQ(Maris::Allocator::GetCurrent(), Maris::Allocator::GetDefault());
}

TEST(Allocator, BlocksReturnToTheirOwnAllocatorAfterTheCurrentOneChanges)
{
    CountingAllocator first;
    auto* generator = new Maris::DefaultRandomNumberGenerator;
    void* block = Maris::AllocateMemory(17);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    {
        CountingAllocator second;
        delete generator;
        Maris::FreeMemory(block);
        EXPECT_EQ(second.allocations + second.frees, 0);
    }
    EXPECT_EQ(first.allocations, 2);
    EXPECT_TRUE(first.live.empty());
    EXPECT_EQ(first.foreignFrees, 0);
    Maris::FreeMemory(nullptr);
}
