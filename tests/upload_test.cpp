#include "panel/upload.h"

#include <gtest/gtest.h>

using namespace qlm;

TEST(Upload, ThirteenTicksNineCommandsInOrder) {
    Upload upload;
    EXPECT_FALSE(upload.tick());
    upload.start();
    std::vector<Field> sent;
    std::vector<int> silent;
    int finished_at = 0;
    while (auto tick = upload.tick()) {
        if (tick->field)
            sent.push_back(*tick->field);
        else
            silent.push_back(tick->value);
        if (tick->finished) finished_at = tick->value;
    }
    EXPECT_EQ(finished_at, 13);
    EXPECT_EQ(sent, (std::vector<Field>{Field::mode, Field::gain, Field::voltage, Field::trigger,
                                        Field::prf, Field::lpf, Field::pw, Field::hpf_unit,
                                        Field::damping}));
    EXPECT_EQ(silent, (std::vector<int>{3, 5, 8, 10}));
    EXPECT_FALSE(upload.running());
}

TEST(Upload, StopHaltsAndStartBeginsAgain) {
    Upload upload;
    upload.start();
    upload.tick();
    upload.tick();
    upload.stop();
    EXPECT_FALSE(upload.tick());
    EXPECT_EQ(upload.value(), 2);
    upload.start();
    EXPECT_EQ(upload.value(), 0);
    EXPECT_EQ(upload.tick()->field, Field::mode);
}
