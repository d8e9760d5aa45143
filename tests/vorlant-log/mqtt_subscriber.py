#!/usr/bin/python3
# Test subscriber: prints every message under TOPIC as one JSON line
# {"topic", "payload", "retain"}, and {"subscribed": true} after each
# subscription, re-connecting quickly when the broker goes away.
# Usage: mqtt_subscriber.py HOST PORT TOPIC
import json
import sys

import paho.mqtt.client as mqtt

host, port, topic = sys.argv[1], int(sys.argv[2]), sys.argv[3]


def emit(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def on_connect(client, userdata, flags, rc):
    client.subscribe(topic, qos=1)


def on_subscribe(client, userdata, mid, granted):
    emit({"subscribed": True})


def on_message(client, userdata, message):
    emit({"topic": message.topic, "payload": message.payload.decode("utf-8"), "retain": bool(message.retain)})


client = mqtt.Client(clean_session=True)
client.on_connect = on_connect
client.on_subscribe = on_subscribe
client.on_message = on_message
client.reconnect_delay_set(min_delay=0.1, max_delay=0.2)
client.connect_async(host, port, keepalive=10)
client.loop_forever(retry_first_connection=True)
