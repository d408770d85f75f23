#include <gtest/gtest.h>

#include "transport/transfer/TransportManagerInternalMsg.h"

#include <chrono>
#include <cstddef>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace {

const std::uint8_t FILE_ID[TRANSFER_ID_SIZE] = {0xF1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0xFF};
const std::uint8_t PEER_ID[TRANSFER_ID_SIZE] = {0xB0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0xBF};

// Reads what the producer end wrote, record by record, as raw bytes.
class QueuePair : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ST_SUCCESS, CTransportManagerQueue::CreatePair(producer, consumer)); }

    // Up to the expected number of records, as they arrive (fewer after about 5 s).
    std::vector<STransportManagerInternalMsg> Read(std::size_t expected)
    {
        std::vector<STransportManagerInternalMsg> records;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (records.size() < expected && std::chrono::steady_clock::now() < deadline) {
            const std::uint8_t* data = nullptr;
            std::uint32_t count = 0;
            if (consumer->Read(data, count) != ST_SUCCESS) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            STransportManagerInternalMsg record;
            std::memcpy(static_cast<void*>(&record), data, sizeof record);
            consumer->ConsumeRead(sizeof record);
            records.push_back(record);
        }
        return records;
    }

    std::unique_ptr<CTransportManagerQueue> producer;
    std::unique_ptr<CTransportManagerQueue> consumer;
};

// Bytes of the record outside the given fields.
bool ZeroOutside(const STransportManagerInternalMsg& record,
                 std::initializer_list<std::pair<std::size_t, std::size_t>> fields)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    for (std::size_t i = 4; i < sizeof record; ++i) {
        bool inside = false;
        for (const auto& field : fields) {
            inside = inside || (i >= field.first && i < field.first + field.second);
        }
        if (!inside && bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

#define FIELD(member)                                                                                                  \
    std::make_pair(offsetof(STransportManagerInternalMsg, member), sizeof(STransportManagerInternalMsg::member))

TEST(TransportManagerRecord, FieldsOfTheTypesNeverShareBytes)
{
    // The offsets before the first pointer hold on every build; the 32-bit ones are asserted
    // where the record is declared.
    EXPECT_EQ(4u, offsetof(STransportManagerInternalMsg, StartFileId));
    EXPECT_EQ(20u, offsetof(STransportManagerInternalMsg, StartPeerId));
    EXPECT_EQ(sizeof(void*), sizeof(STransportManagerInternalMsg::StartCallback));
    EXPECT_EQ(sizeof(void*), sizeof(STransportManagerInternalMsg::UploadCallback));
    const std::vector<std::pair<std::size_t, std::size_t>> fields = {FIELD(Type),
                                                                     FIELD(StartFileId),
                                                                     FIELD(StartPeerId),
                                                                     FIELD(StartCallback),
                                                                     FIELD(CloseFileId),
                                                                     FIELD(CloseReason),
                                                                     FIELD(AnswerUnused),
                                                                     FIELD(AnswerFileId),
                                                                     FIELD(AnswerTicket),
                                                                     FIELD(IncomingSession),
                                                                     FIELD(IncomingTicket),
                                                                     FIELD(IncomingKeyLow),
                                                                     FIELD(IncomingKeyHigh),
                                                                     FIELD(UploadUnused),
                                                                     FIELD(UploadPeer),
                                                                     FIELD(UploadKeyLow),
                                                                     FIELD(UploadKeyHigh),
                                                                     FIELD(UploadCallback),
                                                                     FIELD(NoticeSession),
                                                                     FIELD(NoticeUnused),
                                                                     FIELD(NoticeValue),
                                                                     FIELD(LevelFileId),
                                                                     FIELD(Level)};
    std::set<std::size_t> used;
    for (const auto& field : fields) {
        for (std::size_t i = field.first; i < field.first + field.second; ++i) {
            EXPECT_TRUE(used.insert(i).second) << "byte " << i << " belongs to two fields";
        }
    }
    EXPECT_LE(*used.rbegin() + 1, sizeof(STransportManagerInternalMsg));
}

TEST_F(QueuePair, EachPosterWritesOneWholeRecordWithOnlyItsFields)
{
    auto* download = reinterpret_cast<IDownloadCallback*>(std::uintptr_t(0x1234));
    auto* upload = reinterpret_cast<IUploadCallback*>(std::uintptr_t(0x5678));
    ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(producer.get(), FILE_ID, PEER_ID, download));
    ASSERT_EQ(ST_SUCCESS, PostTMCloseDownload(producer.get(), FILE_ID, 3));
    ASSERT_EQ(ST_SUCCESS, PostTMCloseUpload(producer.get(), FILE_ID, 4));
    ASSERT_EQ(ST_SUCCESS, PostTMAnswer(producer.get(), PEER_ID, FILE_ID, 77));
    ASSERT_EQ(ST_SUCCESS, PostTMIncomingDownload(producer.get(), 12, 77, 0xAAAA, 0xBBBB));
    ASSERT_EQ(ST_SUCCESS, PostTMNewUpload(producer.get(), 99, 0xCCCC, 0xDDDD, upload));
    ASSERT_EQ(ST_SUCCESS, PostTMSessionNotify(producer.get(), 12, 5, 6));
    ASSERT_EQ(ST_SUCCESS, PostTMUploadLevel(producer.get(), FILE_ID, 2));

    const std::vector<STransportManagerInternalMsg> records = Read(8);
    ASSERT_EQ(8u, records.size());

    EXPECT_EQ(TM_MSG_START_DOWNLOAD, records[0].Type);
    EXPECT_EQ(0, std::memcmp(FILE_ID, records[0].StartFileId, TRANSFER_ID_SIZE));
    EXPECT_EQ(0, std::memcmp(PEER_ID, records[0].StartPeerId, TRANSFER_ID_SIZE));
    EXPECT_EQ(download, records[0].StartCallback);
    EXPECT_TRUE(ZeroOutside(records[0], {FIELD(StartFileId), FIELD(StartPeerId), FIELD(StartCallback)}));

    EXPECT_EQ(TM_MSG_CLOSE_DOWNLOAD, records[1].Type);
    EXPECT_EQ(3u, records[1].CloseReason);
    EXPECT_EQ(TM_MSG_CLOSE_UPLOAD, records[2].Type);
    EXPECT_EQ(4u, records[2].CloseReason);
    EXPECT_EQ(0, std::memcmp(FILE_ID, records[2].CloseFileId, TRANSFER_ID_SIZE));
    EXPECT_TRUE(ZeroOutside(records[2], {FIELD(CloseFileId), FIELD(CloseReason)}));

    EXPECT_EQ(TM_MSG_SESSION_ANSWER, records[3].Type);
    EXPECT_EQ(0, std::memcmp(FILE_ID, records[3].AnswerFileId, TRANSFER_ID_SIZE));
    EXPECT_EQ(77u, records[3].AnswerTicket);
    EXPECT_TRUE(ZeroOutside(records[3], {FIELD(AnswerUnused), FIELD(AnswerFileId), FIELD(AnswerTicket)}));

    EXPECT_EQ(TM_MSG_INCOMING_DOWNLOAD, records[4].Type);
    EXPECT_EQ(12u, records[4].IncomingSession);
    EXPECT_EQ(77u, records[4].IncomingTicket);
    EXPECT_EQ(0xAAAAu, records[4].IncomingKeyLow);
    EXPECT_EQ(0xBBBBu, records[4].IncomingKeyHigh);

    EXPECT_EQ(TM_MSG_NEW_UPLOAD, records[5].Type);
    EXPECT_EQ(99u, records[5].UploadPeer);
    EXPECT_EQ(0xCCCCu, records[5].UploadKeyLow);
    EXPECT_EQ(0xDDDDu, records[5].UploadKeyHigh);
    EXPECT_EQ(upload, records[5].UploadCallback);
    EXPECT_TRUE(
        ZeroOutside(records[5], {FIELD(UploadPeer), FIELD(UploadKeyLow), FIELD(UploadKeyHigh), FIELD(UploadCallback)}));

    EXPECT_EQ(TM_MSG_SESSION_NOTICE, records[6].Type);
    EXPECT_EQ(12u, records[6].NoticeSession);
    EXPECT_EQ(6u, records[6].NoticeValue);

    EXPECT_EQ(TM_MSG_UPLOAD_LEVEL, records[7].Type);
    EXPECT_EQ(2u, records[7].Level);
    EXPECT_TRUE(ZeroOutside(records[7], {FIELD(LevelFileId), FIELD(Level)}));
}

TEST_F(QueuePair, ALevelOutsideTheThreeIsRefusedAndNothingIsPosted)
{
    EXPECT_EQ(ST_INVALID_PARAM, PostTMUploadLevel(producer.get(), FILE_ID, 3));
    EXPECT_EQ(ST_INVALID_PARAM, PostTMUploadLevel(producer.get(), FILE_ID, 0xFFFFFFFFu));
    ASSERT_EQ(ST_SUCCESS, PostTMSessionNotify(producer.get(), 1, 0, 1)); // a marker behind them
    const std::vector<STransportManagerInternalMsg> records = Read(1);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(TM_MSG_SESSION_NOTICE, records[0].Type);
}

TEST(TransportManagerRecord, PostersWithoutAQueueReportNotConnected)
{
    EXPECT_EQ(ST_NOT_CONNECTED, PostTMAnswer(nullptr, PEER_ID, FILE_ID, 1));
    EXPECT_EQ(ST_NOT_CONNECTED, PostTMUploadLevel(nullptr, FILE_ID, 1));
    EXPECT_EQ(ST_NOT_CONNECTED, PostTMNewUpload(nullptr, 1, 2, 3, nullptr));
}

} // namespace
