#!/bin/sh
echo compare-todo
