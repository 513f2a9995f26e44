#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "platform/ScopedHandle.h"

using namespace platform;

TEST(ScopedHandle, ClosesTheFileSoItCanBeOpenedUnsharedAgain) {
    testing_support::ScratchFolder folder("handle");
    std::string path = folder.Path() + "x.bin";
    {
        ScopedFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        ScopedFile second(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(second.IsValid());  // still held unshared by the first
    }
    ScopedFile again(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(again.IsValid());
}

TEST(ScopedHandle, MoveTransfersOwnershipAndReleaseGivesItUp) {
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ScopedKernelHandle a(event);
    ScopedKernelHandle b(std::move(a));
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(b.Get(), event);
    HANDLE raw = b.Release();
    EXPECT_FALSE(b.IsValid());
    EXPECT_TRUE(::CloseHandle(raw));
}

TEST(ScopedHandle, ClosingKeepsTheCallersLastError) {
    ::SetLastError(ERROR_SERVICE_EXISTS);
    {
        // A value no handle has: its close fails and sets an error of its own.
        ScopedKernelHandle stale(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0xFFFFF0)));
    }
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
}

TEST(ScopedSelectObject, PutsThePreviousObjectBack) {
    ScopedMemoryDc dc(::CreateCompatibleDC(nullptr));
    HGDIOBJ before = ::GetCurrentObject(dc.Get(), OBJ_BRUSH);
    ScopedBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
    {
        ScopedSelectObject select(dc.Get(), brush.Get());
        EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), brush.Get());
    }
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), before);
}
