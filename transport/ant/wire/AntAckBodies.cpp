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
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU32(body.Cumulative);
    (void)writer.WriteU32(body.Srtt);
    (void)writer.WriteU32(body.RttVariation);
    (void)writer.WriteU32(body.SmallestRtt);
    (void)writer.WriteU32(body.Arrivals);
    return writer.WriteU32(body.Distance);
}

Status ReadAntBody(CAntPacketReader& reader, SAntAckBody& body)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU32(body.Cumulative);
    (void)reader.ReadU32(body.Srtt);
    (void)reader.ReadU32(body.RttVariation);
    (void)reader.ReadU32(body.SmallestRtt);
    (void)reader.ReadU32(body.Arrivals);
    const Status status = reader.ReadU32(body.Distance);
    body.Cumulative &= ANT_SEQUENCE_MASK;
    return status;
}

Status WriteAntBody(CAntPacketWriter& writer, const SAntAckEchoBody& body)
{
    // A failed field sticks in the writer; the last write's result covers the chain.
    (void)writer.WriteU32(body.Cumulative);
    (void)writer.WriteU32(body.Srtt);
    (void)writer.WriteU32(body.RttVariation);
    return writer.WriteU32(body.SmallestRtt);
}

Status ReadAntBody(CAntPacketReader& reader, SAntAckEchoBody& body)
{
    // A failed field sticks in the reader; the last read's result covers the chain.
    (void)reader.ReadU32(body.Cumulative);
    (void)reader.ReadU32(body.Srtt);
    (void)reader.ReadU32(body.RttVariation);
    const Status status = reader.ReadU32(body.SmallestRtt);
    body.Cumulative &= ANT_SEQUENCE_MASK;
    return status;
}
