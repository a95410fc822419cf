// Shared helpers of the model tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qevsim_model.h"

class Model {
public:
    Model() : m_(qevsim_model_new()) {}
    explicit Model(const std::string &profile) : Model() {
        char err[256] = "";
        std::string path = std::string(QEVSIM_PROFILE_DIR) + "/" + profile;
        if (!qevsim_model_load_profile(m_, path.c_str(), err, sizeof err))
            ADD_FAILURE() << err;
    }
    ~Model() { qevsim_model_free(m_); }
    Model(const Model &) = delete;
    Model &operator=(const Model &) = delete;
    QevSimModel *get() const { return m_; }
    operator QevSimModel *() const { return m_; }

    // Runs one command (stale status and outputs in the block); returns its
    // status and keeps the block.
    int cmd(unsigned group, unsigned fn, const std::vector<int32_t> &in = {}) {
        std::memset(&block, 0x5a, sizeof block);
        block.group = group;
        block.function = fn;
        block.reserved = 0;
        std::memset(block.input, 0, sizeof block.input);
        std::copy(in.begin(), in.end(), block.input);
        qevsim_model_command(m_, &block);
        return block.status;
    }

    // A script of commands, each with the status and first outputs it must give.
    struct Step {
        unsigned group, fn;
        std::vector<int32_t> in;
        int status;
        std::vector<int32_t> out = {};
        const char *why = "";
    };
    void play(const std::vector<Step> &steps) {
        for (size_t i = 0; i < steps.size(); i++) {
            const Step &s = steps[i];
            SCOPED_TRACE("step " + std::to_string(i) + ": " + std::to_string(s.group) + "/" + std::to_string(s.fn) +
                         " " + s.why);
            ASSERT_EQ(cmd(s.group, s.fn, s.in), s.status);
            for (size_t j = 0; j < s.out.size(); j++)
                EXPECT_EQ(out(int(j)), s.out[j]) << "output " << j;
        }
    }
    int32_t out(int i) const { return block.output[i]; }

    std::string dump() const {
        char *j = qevsim_model_dump_json(m_);
        std::string s = j ? j : "";
        std::free(j);
        return s;
    }

    QevCommandBlock block{};

private:
    QevSimModel *m_;
};
