#include "tests/audio/audio_files.h"

#include <ogg/ogg.h>
#include <stdlib.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

std::string Le16(int value) {
    return std::string{static_cast<char>(value & 0xff), static_cast<char>((value >> 8) & 0xff)};
}

std::string Le32(uint32_t value) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
    return out;
}

std::string Chunk(const std::string& tag, const std::string& body) {
    return tag + Le32(static_cast<uint32_t>(body.size())) + body;
}

std::string WaveBytes(const WaveSpec& form) {
    int blockAlign = form.channels * form.bits / 8;
    std::string fmt = Le16(form.formatCode) + Le16(form.channels) + Le32(form.hertz) +
                      Le32(form.hertz * blockAlign) + Le16(blockAlign) + Le16(form.bits);
    if (form.fmtSize > 16) fmt += std::string(form.fmtSize - 16, '\0');
    uint32_t dataSize = form.dataSizeField < 0 ? static_cast<uint32_t>(form.data.size())
                                               : static_cast<uint32_t>(form.dataSizeField);
    std::string body =
        "WAVE" + Chunk("fmt ", fmt) + form.chunksBeforeData + "data" + Le32(dataSize) + form.data;
    return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

std::string Pcm16(const std::vector<int16_t>& samples) {
    std::string out;
    for (int16_t s : samples) out += Le16(static_cast<uint16_t>(s));
    return out;
}

std::string EncodeVorbis(const std::vector<float>& interleaved, int channels, int hertz) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, hertz, 0.4f) != 0) {
        throw std::runtime_error("vorbis_encode_init_vbr failed");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);

    std::string out;
    ogg_page page;
    auto drain = [&](bool flush) {
        while (flush ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
            out.append(reinterpret_cast<char*>(page.header), page.header_len);
            out.append(reinterpret_cast<char*>(page.body), page.body_len);
        }
    };
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    drain(true);

    const size_t frames = interleaved.size() / channels;
    const size_t step = 1024;
    for (size_t at = 0;; at += step) {
        size_t n = at < frames ? std::min(step, frames - at) : 0;
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) buf[c][i] = interleaved[(at + i) * channels + c];
            }
        }
        vorbis_analysis_wrote(&vd, static_cast<int>(n));  // 0 marks the end of the stream
        ogg_packet packet;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                drain(false);
            }
        }
        if (n == 0) break;
    }
    drain(true);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

ScratchDir::ScratchDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "tessory-audio-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::Write(const std::string& name, const std::string& bytes) const {
    std::string full = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    FILE* f = std::fopen(full.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + full);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return full;
}
