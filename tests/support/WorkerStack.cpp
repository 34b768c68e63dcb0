#include "support/WorkerStack.h"

#include <gtest/gtest.h>
#include <pthread.h>

namespace testsupport {

void RunWithStack(std::size_t stackSize, std::function<void()> const& body) {
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, stackSize), 0);
    pthread_t thread;
    auto entry = [](void* pArg) -> void* {
        (*static_cast<std::function<void()> const*>(pArg))();
        return nullptr;
    };
    int const created = pthread_create(&thread, &attr, entry, const_cast<std::function<void()>*>(&body));
    pthread_attr_destroy(&attr);
    ASSERT_EQ(created, 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
}

}  // namespace testsupport
