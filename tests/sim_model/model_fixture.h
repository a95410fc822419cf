// Shared helpers of the model tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

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

    // Runs one command; returns its status and keeps the block.
    int cmd(unsigned group, unsigned fn, std::initializer_list<int32_t> in = {}) {
        std::memset(&block, 0x5a, sizeof block);
        block.group = group;
        block.function = fn;
        block.reserved = 0;
        std::memset(block.input, 0, sizeof block.input);
        int i = 0;
        for (int32_t v : in)
            block.input[i++] = v;
        qevsim_model_command(m_, &block);
        return block.status;
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
