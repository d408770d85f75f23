#include "transport/ant/wire/AntAckBodies.h"

#include "transport/ant/wire/AntSequence.h"

Status WriteAntBody(CAntPacketWriter& writer, const SAntProbeBody& body)
{
    return writer.WriteU32(body.HighestSent);
}

Status ReadAntBody(CAntPacketReader& reader, SAntProbeBody& body)
{
    const Status status = reader.ReadU32(body.HighestSent);
    body.HighestSent &= ANT_SEQUENCE_MASK;
    return status;
}

Status WriteAntBody(CAntPacketWriter& writer, const SAntAckBody& body)
{
    writer.WriteU32(body.Cumulative);
    writer.WriteU32(body.Srtt);
    writer.WriteU32(body.RttVariation);
    writer.WriteU32(body.SmallestRtt);
    writer.WriteU32(body.Arrivals);
    return writer.WriteU32(body.Distance);
}

Status ReadAntBody(CAntPacketReader& reader, SAntAckBody& body)
{
    reader.ReadU32(body.Cumulative);
    reader.ReadU32(body.Srtt);
    reader.ReadU32(body.RttVariation);
    reader.ReadU32(body.SmallestRtt);
    reader.ReadU32(body.Arrivals);
    const Status status = reader.ReadU32(body.Distance);
    body.Cumulative &= ANT_SEQUENCE_MASK;
    return status;
}

Status WriteAntBody(CAntPacketWriter& writer, const SAntAckEchoBody& body)
{
    writer.WriteU32(body.Cumulative);
    writer.WriteU32(body.Srtt);
    writer.WriteU32(body.RttVariation);
    return writer.WriteU32(body.SmallestRtt);
}

Status ReadAntBody(CAntPacketReader& reader, SAntAckEchoBody& body)
{
    reader.ReadU32(body.Cumulative);
    reader.ReadU32(body.Srtt);
    reader.ReadU32(body.RttVariation);
    const Status status = reader.ReadU32(body.SmallestRtt);
    body.Cumulative &= ANT_SEQUENCE_MASK;
    return status;
}
